#pragma once

#include "data/ConnectionSettings.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace velmora {

// 复制数据库: the whole class database, as it is now, into another empty
// one: the laptop's file onto the staff-room server, or the server's onto
// a file here.
class CopyDatabase : public QDialog
{
    Q_OBJECT

public:
    explicit CopyDatabase(QWidget* parent = nullptr);

    ConnectionSettings target() const;
    // Makes the target when it is not there, copies and says how it went;
    // true when the class was copied.
    bool copy();

private:
    QComboBox* cboServer;
    QLineEdit* txtDatabase;
    QLineEdit* txtUser;
    QLineEdit* txtPassword;
    QLineEdit* txtFolder;
    QPushButton* BN_Folder;
    QPushButton* BN_Copy;
    QPushButton* BN_Cancel;

    void serverChanged();
};

} // namespace velmora
