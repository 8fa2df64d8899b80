#pragma once

#include "platform/ui/ChildWindow.h"
#include "students/StudentRecord.h"

#include <QByteArray>
#include <QDialog>
#include <QVector>
#include <memory>
#include <optional>

class QCheckBox;

namespace Ui {
class StudentInfo;
}

namespace velmora {

class Module1;

// One student's record with the photo: adding, viewing, editing, deleting.
class StudentInfo : public QDialog, public UnsavedWork
{
    Q_OBJECT

public:
    explicit StudentInfo(Module1& session, QWidget* parent = nullptr);
    ~StudentInfo() override;

    void lockon() { setLocked(true); }
    void lockoff() { setLocked(false); }
    bool checkinput();

    // The ways callers open the form; each shows it modally.
    static void openAdd(Module1& session, QWidget* parent);
    // `key`: the 学号 as stored, where the cells show it trimmed.
    static void openFromGrid(
        Module1& session, QWidget* parent, const QStringList& cells, const QString& key = QString());
    // Says so and opens nothing when no student has the number.
    static bool openReadOnly(Module1& session, QWidget* parent, const QString& number);
    // What those do before showing, for callers and tests that show it themselves.
    void prepareAdd();
    void prepareView(const QStringList& cells, const QString& key = QString());
    // False when no student has the number.
    bool prepareReadOnly(const QString& number);

    void save();
    void editOrSave();
    void remove();
    void browse();
    // Shows the stored photo of the student in Text(1).
    void showPhoto();

    // Adding or editing, with something typed since.
    bool hasUnsavedChanges() const override;
    // Esc and the close box ask before typed values are dropped; 返回 does not.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    Module1& m_session;
    std::unique_ptr<Ui::StudentInfo> m_ui;
    QString text(int index) const;
    void setText(int index, const QString& value);
    // Text(1)..Text(13) as on the form; 11 to 13 take several lines.
    QVector<QWidget*> Text;

    void load();
    void setLocked(bool locked);
    void fill(const StudentRecord& record);
    StudentRecord record() const;
    void retired(QCheckBox* box, int index);
    void setPicture(const QPixmap& picture);
    // Says what went wrong, if anything: a vanished row or the database's refusal.
    static bool written(const Status& result);

    bool isAdding() const;
    bool isEditing() const;
    // Everything the user can change, to tell whether anything was.
    QStringList typed() const;
    void markSaved() { m_typed = typed(); }

    std::optional<QByteArray> m_photo; // the file chosen in this opening
    QString m_key; // 学号 as stored, when opened on a stored row
    StudentRecord m_read; // the fields as shown when editing began
    QStringList m_typed;
};

} // namespace velmora
