#pragma once

#include <QString>

#include <optional>
#include <utility>

namespace velmora {

// A failed statement or connection, as the driver reported it. The number is
// the driver's own code (SQLite's result code, PostgreSQL's SQLSTATE), kept
// as text because a SQLSTATE may hold letters.
struct DbError {
    QString number;
    QString description;

    bool isSet() const { return !number.isEmpty() || !description.isEmpty(); }
    QString numberOrZero() const { return number.isEmpty() ? QStringLiteral("0") : number; }

    // "未知错误！错误代码：…错误信息：…"
    QString unknownMessage() const;
    // "未知错误！请重新启动程序再试。错误代码：…错误信息：…"
    QString restartMessage() const;
};

template <typename T>
class Result {
public:
    Result(T value) : m_value(std::move(value)) { }
    Result(DbError error) : m_error(std::move(error)) { }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    T& operator*() { return *m_value; }
    const T& operator*() const { return *m_value; }
    T* operator->() { return &*m_value; }
    const T* operator->() const { return &*m_value; }
    const DbError& error() const { return m_error; }

private:
    std::optional<T> m_value;
    DbError m_error;
};

} // namespace velmora
