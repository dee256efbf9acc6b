#pragma once

#include <QString>

#include <utility>

namespace core {

// The outcome of a step that can fail: success, or the reason it failed (a
// text that names the file and says why, or just why where the caller names
// the file). Result<T> also carries a value, which a failure may carry too
// (what was done before the step failed).
template <typename T = void> class [[nodiscard]] Result;

template <> class [[nodiscard]] Result<void>
{
public:
    Result() = default;
    static Result failure(QString error)
    {
        Result result;
        result.ok_ = false;
        result.error_ = std::move(error);
        return result;
    }
    // Success when error is empty, otherwise a failure for that reason.
    static Result from(QString error)
    {
        return error.isEmpty() ? Result() : failure(std::move(error));
    }

    explicit operator bool() const { return ok_; }
    bool ok() const { return ok_; }
    // The reason, when it failed; empty on success.
    const QString &error() const { return error_; }

private:
    bool ok_ = true;
    QString error_;
};

template <typename T> class [[nodiscard]] Result
{
public:
    Result(T value) : value_(std::move(value)) {} // NOLINT(google-explicit-constructor)
    static Result failure(QString error, T value = T())
    {
        Result result(std::move(value));
        result.ok_ = false;
        result.error_ = std::move(error);
        return result;
    }
    // A failure of a step that gives no value, passed on.
    static Result failure(const Result<void> &failed) { return failure(failed.error()); }

    explicit operator bool() const { return ok_; }
    bool ok() const { return ok_; }
    const QString &error() const { return error_; }
    // Only the outcome, without the value.
    Result<void> status() const { return ok_ ? Result<void>() : Result<void>::failure(error_); }

    T &value() { return value_; }
    const T &value() const { return value_; }
    T &operator*() { return value_; }
    const T &operator*() const { return value_; }
    T *operator->() { return &value_; }
    const T *operator->() const { return &value_; }

private:
    T value_;
    bool ok_ = true;
    QString error_;
};

} // namespace core
