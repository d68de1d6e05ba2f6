#include "framework/Session.h"

#include "framework/ClassDescriptor.h"

namespace humrs {

Session::Session(Database& database, const ClassRegistry& classes) : db(&database), registry(&classes) {
    database.KnowTables(classes.Tables());
}

}  // namespace humrs
