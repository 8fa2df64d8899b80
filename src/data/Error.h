#pragma once

#include <QString>
#include <optional>
#include <utility>

namespace velmora {

// Every failure in the program: what kind it is, and the text to say. A
// database or connection error keeps the driver's own code (SQLite's result
// code, PostgreSQL's SQLSTATE, as text because a SQLSTATE may hold letters);
// the other kinds are the program's own and their text is shown as it is.
struct Error
{
    enum class Kind {
        Database, // a statement failed
        Connection, // no connection could be made, or it was lost
        Refused, // input the rules do not accept
        Duplicate, // a key that already exists
        Missing, // the row is no longer there
        Conflict, // someone else changed what the window read
        File, // a file could not be read or written
        Busy, // another connection holds what this one needs; worth trying again
    };

    QString number;
    QString description;
    Kind kind = Kind::Database;

    static Error refused(const QString& text) { return { QString(), text, Kind::Refused }; }
    static Error conflict(const QString& text) { return { QString(), text, Kind::Conflict }; }
    static Error missing(const QString& text) { return { QString(), text, Kind::Missing }; }
    static Error busy(const QString& number);
    // What a lost server connection is told as.
    static QString lostConnectionText();

    bool isSet() const { return !number.isEmpty() || !description.isEmpty(); }
    bool is(Kind k) const { return kind == k; }
    // The program's own verdicts, as opposed to the database's failures.
    bool isVerdict() const { return kind != Kind::Database && kind != Kind::Connection; }
    QString numberOrZero() const { return number.isEmpty() ? QStringLiteral("0") : number; }

    // A verdict as it is, a lost connection as lostConnectionText(), and a
    // database failure as "未知错误！错误代码：…错误信息：…".
    QString unknownMessage() const;
    // As unknownMessage(), a database failure as "未知错误！请重新启动程序再试。错误代码：…".
    QString restartMessage() const;
    QString message() const { return restartMessage(); }
};

template <typename T> class [[nodiscard]] Result
{
public:
    Result(T value)
        : m_value(std::move(value))
    { }
    Result(Error error)
        : m_error(std::move(error))
    { }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    T& operator*() { return *m_value; }
    const T& operator*() const { return *m_value; }
    T* operator->() { return &*m_value; }
    const T* operator->() const { return &*m_value; }
    const Error& error() const { return m_error; }

private:
    std::optional<T> m_value;
    Error m_error;
};

// What an action that gives nothing back returns.
struct Done
{
};
using Status = Result<Done>;

} // namespace velmora
