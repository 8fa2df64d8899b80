#pragma once

#include "data/Database.h"

#include <QByteArray>
#include <QHash>
#include <QStringList>
#include <optional>

namespace velmora {

// One row of tblLogin without its photo: the fifteen columns in their fixed order.
struct StudentRecord
{
    enum Column {
        Number,
        Name,
        Sex,
        Birth,
        Nation,
        Native,
        Address,
        Phone,
        Father,
        FatherWork,
        Mother,
        MotherWork,
        From,
        To,
        Remarks,
        ColumnCount
    };

    QStringList values = QStringList(ColumnCount);
    // 学号 exactly as stored, blanks and all: writes address this row, not
    // another whose number only looks the same once trimmed.
    QString key;

    QString& operator[](Column c) { return values[c]; }
    const QString& operator[](Column c) const { return values[c]; }

    static const QStringList& columns();
    // The 32 provinces the form offers.
    static const QStringList& provinces();
    // "select 学号, 姓名, … 备注" — the fifteen columns, never the photo.
    static QString selectColumns();

    // 1 to 10 decimal digits: other windows put the number into statements as a number.
    static bool validNumber(const QString& number);
    // The notations the form accepts for a date of birth: 1985-01-31, 1985/1/31,
    // 1985.1.31, 1985年1月31日; the day must exist in its month.
    static bool isDate(const QString& text);
};

// The form's input check, in its order; empty when the record may be saved,
// else the one message to show.
struct StudentInput
{
    StudentRecord record;
    bool sexChosen = false;
    QString nativeText;
};
QString checkStudentInput(const StudentInput& input);

inline constexpr qint64 kMaxPhotoBytes = 10 * 1024 * 1024;
// A photo's bytes from a regular file of at most kMaxPhotoBytes, never read
// further: a device, a pipe or a link to one named like a photo is refused by name.
Result<QByteArray> readPhotoFile(const QString& path);

namespace Students {

Result<QVector<StudentRecord>> list(const Database& db);
Result<std::optional<StudentRecord>> fetch(const Database& db, const QString& number);
Result<QByteArray> photo(const Database& db, const QString& number);
// 姓名 by trimmed 学号, for windows that show whose row is on screen.
Result<QHash<QString, QString>> names(const Database& db);
// Every 学号 in order.
Result<QStringList> numbers(const Database& db);
// The name of the student with exactly this 学号; empty when there is none.
Result<QString> nameOf(const Database& db, const QString& number);
// The given columns of tblLogin (from a fixed list, never typed) for every
// student in 学号 order, each value as stored.
Result<QVector<QStringList>> table(const Database& db, const QStringList& columns);

// One statement each, so a failure leaves no half-written row. A photo of
// std::nullopt leaves the stored one as it is. Errors of kind Duplicate
// (the 学号 exists), Missing (the row is gone) and Conflict (another teacher
// changed a field this save would change; nothing was written).
Status add(Database& db, const StudentRecord& record, const std::optional<QByteArray>& photo);
Status update(Database& db, const StudentRecord& record, const std::optional<QByteArray>& photo);
// Writes only the fields that differ from `read` (as the form showed them),
// and only while the stored values are still those; a conflict's error
// names each such field with both values.
Status update(
    Database& db, const StudentRecord& record, const std::optional<QByteArray>& photo, const StudentRecord& read);
Status remove(Database& db, const QString& number);

// The search criteria: empty texts and "不详" set no condition.
struct Criteria
{
    QString number; // equal
    QStringList contains = QStringList(7); // 姓名, 家庭住址, 联系电话, 备注, 民族, 毕业于, 毕业至
    QString sex; // "男", "女" or empty
    QString native; // contains; "不详" or empty for none
    static const QStringList& containsColumns();
};
Result<QVector<StudentRecord>> search(const Database& db, const Criteria& criteria);

} // namespace Students
} // namespace velmora
