#pragma once
// Where a bill's check points its refusal: the row it is checking and the field at
// fault, as the clerk sees them on the form.
//
// A row is named by its place among the rows of its dataset, the dataset's cursor
// (Dataset::RecNo) while the check walks the rows. A save lays the client's rows down
// in the order they were sent: the rows of a new bill, and the rows of a stored bill
// sent back in the order it was opened with new rows after them (as a form does),
// keep the place the client gave them. The rows of a stored bill sent in another
// order keep the order they were stored in; the place is then the row's place as the
// bill was opened.
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "core/Errors.h"
#include "framework/Dataset.h"

namespace humrs {

// The current row of dataset `index` (the cursor of `rows`) and, when given, its
// field `field`.
// REQUIRES: `rows` is dataset `index` of the bill, or a copy of it in the same order,
// with its cursor on a row.
inline RefusalAt AtRow(int index, const Dataset& rows, std::string field = {}) {
    return RefusalAt{index, static_cast<int>(rows.RecNo()), std::move(field)};
}

// Dataset `index` as a whole: a refusal of rows no longer among those sent (deleted
// ones) or of the rows together.
inline RefusalAt AtDataset(int index) { return RefusalAt{index, -1, {}}; }

// A field of a bill's header, the one row of dataset 0.
inline RefusalAt AtHeader(std::string field) { return RefusalAt{0, 0, std::move(field)}; }

// The field a refusal of a shared rule concerns, by its message: a rule that checks
// a whole span refuses an end before its begin at the end, whatever it was asked.
struct FieldOfMessage {
    std::string_view messageId;
    std::string_view field;
};

// Runs `check` (a rule shared with other bills, or a question to another object)
// and raises a refusal of it that names no place of its own again, pointing at `at`,
// at the field `fields` gives for its message where it gives one. The message and
// its text stay as they were.
template <class F>
void PointedAt(RefusalAt at, F&& check, std::span<const FieldOfMessage> fields = {}) {
    try {
        std::forward<F>(check)();
    } catch (const BusinessError& e) {
        if (e.at().Known()) throw;
        for (const FieldOfMessage& f : fields)
            if (f.messageId == e.id()) at.field = f.field;
        throw BusinessError(Message{e.id(), {}}, e.what(), std::move(at));
    }
}

}  // namespace humrs
