#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace velmora {

// 系统配置: the four database settings, tested before they may be saved.
class Config : public QDialog
{
    Q_OBJECT

public:
    explicit Config(QWidget* parent = nullptr);

    void testConnection();
    void save();
    void cancel();

    void reject() override { cancel(); }

Q_SIGNALS:
    // dbcfg.dat is written; the login window takes the database login.
    void saved(const QString& user, const QString& password);

private:
    QLabel* Label3;
    QLineEdit* txtServer;
    QLabel* Label4;
    QLineEdit* txtDataBase;
    QLabel* Label1;
    QLineEdit* txtUser;
    QLabel* label2;
    QLineEdit* txtPwd;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
};

} // namespace velmora
