// "Insert T ..." names the table without INTO.
#include "db/sql/Passes.h"
#include "db/sql/Words.h"

namespace humrs::sql {

void AddInsertInto(Statement& s) {
    TokenList& t = s.tokens;
    if (t.At(1, "TOP")) s.Fail("INSERT TOP is not supported");
    if (!t.At(1, "INTO")) t.Insert(1, Raw("INTO"));
}

}  // namespace humrs::sql
