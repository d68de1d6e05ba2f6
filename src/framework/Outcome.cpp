#include "framework/Outcome.h"

#include <new>
#include <string_view>

#include "core/Errors.h"
#include "db/Database.h"

namespace humrs {

Outcome FailureOutcome(Outcome::Kind kind, std::string message) {
    Outcome out;
    out.ok = false;
    out.failure = kind;
    out.error = std::move(message);
    return out;
}

Outcome FailureOutcome(std::exception_ptr error) {
    using Kind = Outcome::Kind;
    try {
        std::rethrow_exception(error);
    } catch (const BusinessError& e) {
        Outcome out = FailureOutcome(Kind::Refused, e.what());
        out.messageId = e.id();
        out.at = e.at();
        return out;
    } catch (const InputError& e) {
        return FailureOutcome(Kind::BadInput, e.what());
    } catch (const StatementTimeLimitError& e) {
        // The request asked more of the database than one statement may take: refused,
        // as a rule would refuse it; the database itself is well.
        return FailureOutcome(Kind::Refused, e.what());
    } catch (const DatabaseError& e) {
        // A statement that carries a second statement is the caller's input, refused
        // before it reaches the database.
        const bool second = std::string_view(e.what()).find("second statement is not allowed") != std::string_view::npos;
        return FailureOutcome(second ? Kind::BadInput : Kind::DatabaseFailure, e.what());
    } catch (const std::bad_alloc&) {
        return FailureOutcome(Kind::Internal, "internal error: out of memory");
    } catch (const std::exception& e) {
        return FailureOutcome(Kind::Internal, std::string("internal error: ") + e.what());
    } catch (...) {
        return FailureOutcome(Kind::Internal, "internal error: unknown failure");
    }
}

int ExitCodeOf(const Outcome& outcome) {
    if (outcome.ok) return kAccepted;
    switch (outcome.failure) {
        case Outcome::Kind::Refused: return kRefused;
        case Outcome::Kind::BadInput: return kBadInput;
        case Outcome::Kind::DatabaseFailure: return kDatabaseFailure;
        case Outcome::Kind::Internal:
        case Outcome::Kind::None: break;
    }
    return kInternalError;
}

const char* FailureName(Outcome::Kind kind) {
    switch (kind) {
        case Outcome::Kind::Refused: return "refused";
        case Outcome::Kind::BadInput: return "input";
        case Outcome::Kind::DatabaseFailure: return "database";
        case Outcome::Kind::Internal: return "internal";
        case Outcome::Kind::None: break;
    }
    return nullptr;
}

}  // namespace humrs
