#include "app/MessageService.h"

#include <QStringList>

namespace velmora {

namespace {
struct State
{
    MessageService::Handler handler;
    bool recording = false;
    QVector<MsgAnswer> answers;
    QVector<bool> checks;
    QVector<Message> log;
    std::function<void()> reLogin;
    bool reLoggingIn = false;
};
State& state()
{
    static State s;
    return s;
}
} // namespace

QString MessageService::applicationTitle()
{
    return QStringLiteral("VelmoraSQL版");
}

MsgAnswer MessageService::show(const QString& text, MsgIcon icon, MsgButtons buttons, const QString& title)
{
    return show(Message { text, title, icon, buttons });
}

MsgAnswer MessageService::askDelete(const QString& text, MsgIcon icon)
{
    return show(Message { text, QStringLiteral("确认删除"), icon, MsgButtons::YesNo, MsgAnswer::No });
}

MsgAnswer MessageService::show(const Message& shown)
{
    State& s = state();
    Message message = shown;
    if (message.title.isEmpty())
        message.title = applicationTitle();
    const MsgButtons buttons = message.buttons;
    if (s.recording)
        s.log.push_back(message);
    if (s.recording && message.checked && !s.checks.isEmpty())
        *message.checked = s.checks.takeFirst();
    if (s.recording || !s.handler) {
        if (buttons == MsgButtons::Ok)
            return MsgAnswer::Ok;
        return s.answers.isEmpty() ? MsgAnswer::No : s.answers.takeFirst();
    }
    return s.handler(message);
}

void MessageService::error(const Error& error, ErrorWording wording, const QString& lead)
{
    State& s = state();
    // A save the login on its way asks about fails the same way: no second offer.
    if (error.is(Error::Kind::Connection) && s.reLogin && !s.reLoggingIn) {
        if (ask(lead + Error::lostConnectionText() + QStringLiteral("\r\n现在重新登陆吗？"), MsgIcon::Warning)
            == MsgAnswer::Yes) {
            s.reLoggingIn = true;
            s.reLogin();
            s.reLoggingIn = false;
        }
        return;
    }
    info(lead + (wording == ErrorWording::Restart ? error.restartMessage() : error.unknownMessage()));
}

void MessageService::setReLogin(std::function<void()> reLogin)
{
    state().reLogin = std::move(reLogin);
}

void MessageService::setHandler(Handler handler)
{
    state().handler = std::move(handler);
}

void MessageService::startRecording()
{
    State& s = state();
    s.recording = true;
    s.answers.clear();
    s.checks.clear();
    s.log.clear();
}

void MessageService::setNextCheck(bool checked)
{
    state().checks.push_back(checked);
}

void MessageService::setNextAnswer(MsgAnswer answer)
{
    state().answers.push_back(answer);
}

const QVector<Message>& MessageService::messages()
{
    return state().log;
}

QStringList MessageService::texts()
{
    QStringList list;
    for (const Message& m : state().log)
        list << m.text;
    return list;
}

QString MessageService::lastText()
{
    return state().log.isEmpty() ? QString() : state().log.constLast().text;
}

void MessageService::clearMessages()
{
    state().log.clear();
    state().answers.clear();
}

} // namespace velmora
