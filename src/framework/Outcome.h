#pragma once
// How a client operation ends, and the one mapping of failures to outcomes that the
// command, the server library and the tests share.
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "core/Errors.h"
#include "core/Variant.h"
#include "framework/Session.h"

namespace humrs {

// (name, value) pairs a field check hands back to the client row.
using TOleVariantList = std::vector<std::pair<std::string, Variant>>;

struct Outcome {
    // Refused: a business rule said no (the message is the user's). BadInput: the
    // caller's input is malformed. DatabaseFailure: the database itself failed (a
    // lock, the disk, a constraint). Internal: a fault of the program itself.
    enum class Kind { None, Refused, BadInput, DatabaseFailure, Internal };

    bool ok = true;
    std::string error;  // the refusal or failure message
    std::string messageId;  // of a refusal: the id of its message (core/Message.h); else empty
    RefusalAt at;           // of a refusal: where in the bill it points, when known
    Kind failure = Kind::None;
    std::vector<Notice> notices;
    Variant result;          // procedure result
    TOleVariantList fields;  // field-check return
};

// The outcome of the exception in flight (call inside a catch block): its kind and
// message. Business refusals, bad input and database failures keep their message,
// a business refusal its message id too; anything else is an internal error.
Outcome FailureOutcome(std::exception_ptr error);
Outcome FailureOutcome(Outcome::Kind kind, std::string message);

// The process exit codes of the humrs command, one per way an operation ends.
enum ExitCode : int { kAccepted = 0, kRefused = 1, kBadInput = 2, kDatabaseFailure = 3, kInternalError = 4 };
int ExitCodeOf(const Outcome& outcome);
// "refused", "input", "database", "internal"; nullptr for success.
const char* FailureName(Outcome::Kind kind);

}  // namespace humrs
