#pragma once
// Asserting which message refused an operation: by the message's id, and where the
// values it was formatted with matter (the person, the bill), by its text formatted
// with them. The wording itself is checked once, in the message tables' own test.
//
//     EXPECT_TRUE(Refused(SaveLeave(row), msg::kLeaveCountZero));
//     EXPECT_TRUE(Refused(out, msg::kPersonOffJob, {Variant("P9")}));
//     EXPECT_TRUE(Refused([&] { CheckGetIsOnWork(*db, rows, "WorkDate", "PersonID"); },
//     msg::kPersonNotOnJobAt));
#include <gtest/gtest.h>

#include <concepts>
#include <exception>
#include <optional>
#include <string>
#include <utility>

#include "core/Format.h"
#include "core/Message.h"
#include "core/Variant.h"
#include "framework/Outcome.h"

namespace humrs::testing {

namespace refusals_detail {

inline ::testing::AssertionResult Check(const Outcome& out, const Message& message,
                                        const std::optional<VariantArray>& values) {
    const std::string wanted(message.id);
    if (out.ok) return ::testing::AssertionFailure() << "accepted, not refused with " << wanted;
    if (out.failure != Outcome::Kind::Refused)
        return ::testing::AssertionFailure()
               << "failed as " << (FailureName(out.failure) ? FailureName(out.failure) : "?") << " ("
               << out.error << "), not refused with " << wanted;
    if (out.messageId != wanted)
        return ::testing::AssertionFailure()
               << "refused with " << (out.messageId.empty() ? "no id" : out.messageId) << " (" << out.error
               << "), not with " << wanted;
    if (values) {
        const std::string text = FormatMessage(message, *values);
        if (out.error != text)
            return ::testing::AssertionFailure()
                   << "refused with " << wanted << " as \"" << out.error << "\", not as \"" << text << "\"";
    }
    return ::testing::AssertionSuccess();
}

template <class F>
Outcome OutcomeOf(F&& call) {
    try {
        call();
    } catch (...) {
        return FailureOutcome(std::current_exception());
    }
    return Outcome{};
}

}  // namespace refusals_detail

// The operation ended refused with `message`.
inline ::testing::AssertionResult Refused(const Outcome& out, const Message& message) {
    return refusals_detail::Check(out, message, std::nullopt);
}
// ... and its text is `message` formatted with `values`.
inline ::testing::AssertionResult Refused(const Outcome& out, const Message& message,
                                          const VariantArray& values) {
    return refusals_detail::Check(out, message, values);
}
// The same of a call that raises its refusal as an exception.
template <std::invocable F>
::testing::AssertionResult Refused(F&& call, const Message& message) {
    return refusals_detail::Check(refusals_detail::OutcomeOf(call), message, std::nullopt);
}
template <std::invocable F>
::testing::AssertionResult Refused(F&& call, const Message& message, const VariantArray& values) {
    return refusals_detail::Check(refusals_detail::OutcomeOf(call), message, values);
}

// What a case of a table expects: accepted (the default), or refused with a message,
// its text formatted with `values` where they are given.
struct Expected {
    Expected() = default;
    Expected(const Message& refusal) : message(&refusal) {}  // NOLINT: a table reads better without the type
    Expected(const Message& refusal, VariantArray formattedWith)
        : message(&refusal), values(std::move(formattedWith)) {}

    const Message* message = nullptr;
    std::optional<VariantArray> values;
};

// The operation ended as `expected` says.
inline ::testing::AssertionResult Ended(const Outcome& out, const Expected& expected) {
    if (!expected.message)
        return out.ok ? ::testing::AssertionSuccess()
                      : ::testing::AssertionFailure() << "not accepted: " << out.error;
    return refusals_detail::Check(out, *expected.message, expected.values);
}

}  // namespace humrs::testing
