// How the core reports failure: an operation returns Result<T>, a value or the message
// that says why there is none, or Status (Result<void>) when it has no value to give.
// Both are [[nodiscard]], so a caller that ignores a failure gets a compiler warning.
// Nothing is thrown across the core's interfaces.
//
//     Result<std::vector<uint8_t>> bytes = ReadWholeFile(path);
//     if (!bytes)
//         return Fail(bytes.error());
//     Use(*bytes);
//
// A function returning Status reports success with `return {};`.
#pragma once

#include <cstdlib>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace orv {

// The reason for a failure, as it is shown to the user.
struct Failure {
    std::string message;
};

// The failure of any Result: `return Fail("cannot open " + name);`
inline Failure Fail(std::string message) { return Failure{std::move(message)}; }

template <typename T>
class [[nodiscard]] Result {
    static_assert(!std::is_same_v<T, Failure>, "a Result holds a value, not a Failure");

public:
    template <typename U = T>
    requires(std::is_convertible_v<U&&, T> && !std::is_same_v<std::remove_cvref_t<U>, Failure> &&
             !std::is_same_v<std::remove_cvref_t<U>, Result>) Result(U&& value)
        : state_(std::in_place_index<0>, std::forward<U>(value))
    {}
    Result(Failure failure) : state_(std::in_place_index<1>, std::move(failure.message)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    // The value; only when ok() (a failed result has none, and asking ends the program).
    T& value() & { return std::get<0>(Checked()); }
    const T& value() const& { return std::get<0>(Checked()); }
    T&& value() && { return std::get<0>(std::move(Checked())); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T&& operator*() && { return std::move(*this).value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    // The value, or fallback when it failed.
    template <typename U = T>
    T value_or(U&& fallback) const&
    {
        return ok() ? std::get<0>(state_) : static_cast<T>(std::forward<U>(fallback));
    }
    template <typename U = T>
    T value_or(U&& fallback) &&
    {
        return ok() ? std::get<0>(std::move(state_)) : static_cast<T>(std::forward<U>(fallback));
    }

    // Why it failed; "" when it did not.
    const std::string& error() const
    {
        static const std::string none;
        return ok() ? none : std::get<1>(state_);
    }

private:
    std::variant<T, std::string>& Checked()
    {
        if (!ok())
            std::abort();
        return state_;
    }
    const std::variant<T, std::string>& Checked() const
    {
        if (!ok())
            std::abort();
        return state_;
    }

    std::variant<T, std::string> state_;
};

template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;  // success
    Result(Failure failure) : failed_(true), error_(std::move(failure.message)) {}

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    // Why it failed; "" when it did not.
    const std::string& error() const { return error_; }

private:
    bool failed_ = false;
    std::string error_;
};

using Status = Result<void>;

}  // namespace orv
