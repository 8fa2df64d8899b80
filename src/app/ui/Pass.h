#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace velmora {

// 用户密码修改: the logged-in user of tblUsers changes his own password.
class Pass : public QDialog
{
    Q_OBJECT

public:
    explicit Pass(QWidget* parent = nullptr);

    void confirm();

private:
    QLineEdit* Text1;
    QLineEdit* oldpwd;
    QLineEdit* newpwd;
    QLineEdit* newpwd2;
    QPushButton* Command1;
    QPushButton* Command2;
};

} // namespace velmora
