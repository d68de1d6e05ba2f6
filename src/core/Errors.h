#pragma once
// The three ways an operation fails, each with its own exit path to the client:
// a business refusal (one message for the user), bad input from the caller, and a
// failure of the database itself (DatabaseError, in db/Database.h).
#include <stdexcept>
#include <string>

namespace humrs {

// A bill refused by a business rule. The message is the user's text, already
// formatted with its arguments.
class BusinessError : public std::runtime_error {
public:
    explicit BusinessError(const std::string& message) : std::runtime_error(message) {}
};

// Malformed or ill-typed input from the caller: an unknown ProgID, an unknown field,
// a value of the wrong type, a key that finds no bill.
class InputError : public std::runtime_error {
public:
    explicit InputError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace humrs
