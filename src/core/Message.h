#pragma once
// A user message of the component's message tables: the text the user reads
// (Simplified Chinese, with %s and %d placeholders) and an identifier beside it that
// stays when the wording changes. A refusal carries the identifier to the client, and
// tests tell one refusal from another by it.
#include <string_view>

namespace humrs {

struct Message {
    // The constant's name without its leading "k" ("LeaveConflict" for kLeaveConflict);
    // unique over all the tables.
    std::string_view id;
    std::string_view text;
};

}  // namespace humrs
