#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class Config;
}

namespace velmora {

class Module1;

// 系统配置: the four database settings, tested before they may be saved.
class Config : public QDialog
{
    Q_OBJECT

public:
    explicit Config(Module1& session, QWidget* parent = nullptr);
    ~Config() override;

    void testConnection();
    void save();
    void cancel();

    void reject() override { cancel(); }

Q_SIGNALS:
    // dbcfg.dat is written; the login window takes the database login.
    void saved(const QString& user, const QString& password);

private:
    Module1& m_session;
    std::unique_ptr<Ui::Config> m_ui;
};

} // namespace velmora
