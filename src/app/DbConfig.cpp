#include "app/DbConfig.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>
#include <QStringDecoder>
#include <QStringList>

namespace velmora::DbConfig {

namespace {

bool isControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7f && c <= 0x9f);
}

bool isCharacter(char32_t c)
{
    return c <= 0x10ffff && !(c >= 0xd800 && c <= 0xdfff);
}

// A plain character must be printable; a scrambled one must still be a
// character (no surrogate, not past U+10FFFF).
QString shifted(QStringView text, int shift, bool* ok)
{
    QString out;
    out.reserve(text.size());
    *ok = true;
    const bool scrambling = shift > 0;
    for (uint code : text.toUcs4()) {
        const qint64 moved = qint64(code) + shift;
        const char32_t plain = char32_t(scrambling ? code : moved);
        if (moved < 0 || !isCharacter(char32_t(code)) || !isCharacter(char32_t(moved)) || isControl(plain)) {
            *ok = false;
            return {};
        }
        const char32_t c = char32_t(moved);
        out += QString::fromUcs4(&c, 1);
    }
    return out;
}

// Only blanks, as the old reader trimmed: a scrambled character may be any
// other whitespace and must survive.
QString trimBlanks(const QString& s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s[b] == QLatin1Char(' '))
        ++b;
    while (e > b && s[e - 1] == QLatin1Char(' '))
        --e;
    return s.mid(b, e - b);
}

const char* const kFieldNames[4] = { "服务器", "数据库名", "用户名", "密码" };

} // namespace

QString scramble(QStringView plain, int shift, bool* ok)
{
    return shifted(plain, shift, ok);
}

QString unscramble(QStringView stored, int shift, bool* ok)
{
    return shifted(stored, -shift, ok);
}

QString unstorable(const Values& values)
{
    const QString fields[4] = { values.server, values.database, values.user, values.password };
    for (int i = 0; i < 4; ++i) {
        for (uint code : fields[i].toUcs4()) {
            const char32_t moved = char32_t(code + uint(kShifts[size_t(i)]));
            if (isControl(char32_t(code)) || !isCharacter(char32_t(code)) || !isCharacter(moved)) {
                const QString shown = isControl(char32_t(code))
                    ? QStringLiteral("U+%1").arg(code, 4, 16, QLatin1Char('0')).toUpper()
                    : QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1);
                return QStringLiteral("%1中含有不能保存的字符“%2”，请修改后再保存！")
                    .arg(QString::fromUtf8(kFieldNames[i]), shown);
            }
        }
    }
    return {};
}

ReadResult read(const QString& path)
{
    ReadResult result;
    QFile file(path);
    if (!file.exists()) {
        result.status = ReadStatus::Missing;
        return result;
    }
    // A directory, FIFO or device is no configuration file: a FIFO would
    // keep the reader waiting for a writer for ever.
    if (!QFileInfo(path).isFile()) {
        result.status = ReadStatus::Invalid;
        result.errorNumber = 75;
        result.errorDescription = QStringLiteral("路径/文件访问错误：%1 不是普通文件").arg(path);
        return result;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        result.status = ReadStatus::Invalid;
        result.errorNumber = 75;
        result.errorDescription = QStringLiteral("路径/文件访问错误：") + file.errorString();
        return result;
    }
    // A configuration file is four short lines; anything far larger is not one.
    const QByteArray bytes = file.read(64 * 1024);
    if (bytes.isEmpty()) {
        result.status = ReadStatus::Empty;
        return result;
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        result.status = ReadStatus::Invalid;
        result.errorNumber = 5;
        result.errorDescription = QStringLiteral("无效的过程调用或参数");
        return result;
    }
    QStringList lines;
    QString current;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            lines << current;
            current.clear();
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
        } else {
            current += c;
        }
    }
    if (!current.isEmpty())
        lines << current;

    QString* targets[4]
        = { &result.values.server, &result.values.database, &result.values.user, &result.values.password };
    for (int i = 0; i < 4; ++i) {
        if (i >= lines.size()) {
            result.status = ReadStatus::Invalid;
            result.errorNumber = 62;
            result.errorDescription = QStringLiteral("输入超出文件尾");
            return result;
        }
        bool ok = false;
        const QString plain = unscramble(trimBlanks(lines[i]), kShifts[size_t(i)], &ok);
        if (!ok) {
            result.status = ReadStatus::Invalid;
            result.errorNumber = 5;
            result.errorDescription = QStringLiteral("无效的过程调用或参数");
            return result;
        }
        *targets[i] = plain;
    }
    result.status = ReadStatus::Ok;
    return result;
}

Status write(const QString& path, const Values& values)
{
    const QString plain[4] = { values.server, values.database, values.user, values.password };
    QByteArray content;
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        const QString line = scramble(plain[i], kShifts[size_t(i)], &ok);
        if (!ok)
            return Error::refused(unstorable(values));
        content += line.toUtf8();
        content += "\r\n";
    }
    // Unbuffered, so a full disk shows in the write itself; commit() syncs
    // and renames, and on any failure the old file stays as it was.
    QSaveFile file(path);
    const auto failed = [&](const QString& why) -> Status {
        const QStorageInfo disk(QFileInfo(path).absolutePath());
        file.cancelWriting();
        return Error { QString(),
            disk.isValid() && disk.bytesAvailable() < content.size() + 4096
                ? QStringLiteral("磁盘已满（%1），请腾出空间后再保存。").arg(disk.rootPath())
                : why,
            Error::Kind::File };
    };
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failed(file.errorString());
    // Owner only before the first byte: the file holds the database password.
    if (!file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return failed(file.errorString());
    if (file.write(content) != content.size())
        return failed(file.errorString());
    if (!file.commit())
        return failed(file.errorString());
    return Done {};
}

} // namespace velmora::DbConfig
