#pragma once
// Errors as values: a Result<T> holds either a value or an Error with a code, a message and,
// where the failure points at input bytes, the byte offset of the fault.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace core {

enum class ErrorCode {
    None,
    InvalidArgument,
    NotFound,
    IoError,
    Truncated,
    Corrupt,
    Unsupported,
    TooLarge,
    Cancelled,
};

struct Error {
    ErrorCode code = ErrorCode::None;
    std::string message;
    std::optional<std::uint64_t> offset;  // byte offset of the fault in its input, when known
};

template <typename T>
class Result {
public:
    Result(T value) : m_v(std::move(value)) {}
    Result(Error error) : m_v(std::move(error)) {}

    bool ok() const { return m_v.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(m_v); }
    const T& value() const& { return std::get<0>(m_v); }
    T&& value() && { return std::get<0>(std::move(m_v)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    const Error& error() const { return std::get<1>(m_v); }

private:
    std::variant<T, Error> m_v;
};

// For operations that produce nothing but may fail.
struct Unit {};
using Status = Result<Unit>;
inline Status okStatus() { return Unit{}; }

inline Error makeError(ErrorCode code, std::string message,
                       std::optional<std::uint64_t> offset = std::nullopt) {
    return Error{code, std::move(message), offset};
}

}  // namespace core
