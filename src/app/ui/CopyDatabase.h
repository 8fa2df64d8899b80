#pragma once

#include "data/ConnectionSettings.h"

#include <QDialog>
#include <memory>

namespace Ui {
class CopyDatabase;
}

namespace velmora {

class Module1;

// 复制数据库: the whole class database, as it is now, into another empty
// one: the laptop's file onto the staff-room server, or the server's onto
// a file here.
class CopyDatabase : public QDialog
{
    Q_OBJECT

public:
    explicit CopyDatabase(Module1& session, QWidget* parent = nullptr);
    ~CopyDatabase() override;

    ConnectionSettings target() const;
    // Makes the target when it is not there, copies and says how it went;
    // true when the class was copied.
    bool copy();

private:
    Module1& m_session;
    std::unique_ptr<Ui::CopyDatabase> m_ui;

    void serverChanged();
};

} // namespace velmora
