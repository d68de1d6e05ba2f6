#pragma once
// The three ways an operation fails, each with its own exit path to the client:
// a business refusal (one message for the user), bad input from the caller, and a
// failure of the database itself (DatabaseError, in db/Database.h).
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/Message.h"

namespace humrs {

// A bill refused by a business rule. what() is the user's text, already formatted
// with its arguments; id() names the message of the table it was formatted from.
class BusinessError : public std::runtime_error {
public:
    BusinessError(const Message& message, const std::string& text) : std::runtime_error(text), id_(message.id) {}

    const std::string& id() const { return id_; }

private:
    std::string id_;
};

// Malformed or ill-typed input from the caller: an unknown ProgID, an unknown field,
// a value of the wrong type, a key that finds no bill.
class InputError : public std::runtime_error {
public:
    explicit InputError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace humrs
