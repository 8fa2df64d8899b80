#include "platform/MessageService.h"

#include <QStringList>

namespace velmora {

namespace {
struct State
{
    MessageService::Handler handler;
    bool recording = false;
    QVector<MsgAnswer> answers;
    QVector<Message> log;
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
    if (s.recording || !s.handler) {
        if (buttons == MsgButtons::Ok)
            return MsgAnswer::Ok;
        return s.answers.isEmpty() ? MsgAnswer::No : s.answers.takeFirst();
    }
    return s.handler(message);
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
    s.log.clear();
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

void MessageService::clearMessages()
{
    state().log.clear();
    state().answers.clear();
}

} // namespace velmora
