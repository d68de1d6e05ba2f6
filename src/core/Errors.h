#pragma once
// The three ways an operation fails, each with its own exit path to the client:
// a business refusal (one message for the user), bad input from the caller, and a
// failure of the database itself (DatabaseError, in db/Database.h).
#include <stdexcept>
#include <string>
#include <utility>
#include <string_view>

#include "core/Message.h"

namespace humrs {

// A bill refused by a business rule. what() is the user's text, already formatted
// with its arguments; id() names the message of the table it was formatted from.
// Where in the bill a refusal points, when the failing check knows it: the dataset,
// the row within it (counted from 0, in the order the rows came) and the field.
// dataset < 0: the refusal concerns the bill as a whole; row < 0: the dataset as a
// whole; field empty: the row as a whole.
struct RefusalAt {
    int dataset = -1;
    int row = -1;
    std::string field;

    bool Known() const { return dataset >= 0; }
};

class BusinessError : public std::runtime_error {
public:
    BusinessError(const Message& message, const std::string& text, RefusalAt at = {})
        : std::runtime_error(text), id_(message.id), at_(std::move(at)) {}

    const std::string& id() const { return id_; }
    const RefusalAt& at() const { return at_; }

private:
    std::string id_;
    RefusalAt at_;
};

// Malformed or ill-typed input from the caller: an unknown ProgID, an unknown field,
// a value of the wrong type, a key that finds no bill.
class InputError : public std::runtime_error {
public:
    explicit InputError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace humrs
