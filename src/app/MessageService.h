#pragma once

#include "data/Error.h"

#include <QString>
#include <QVector>
#include <functional>

namespace velmora {

enum class MsgIcon { None, Information, Question, Warning, Critical };
enum class MsgButtons { Ok, YesNo };
// Cancel: the question was closed (Esc, close box) without an answer.
enum class MsgAnswer { Ok, Yes, No, Cancel };

struct Message
{
    QString text;
    QString title;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
    // The button Enter presses; No where a slip would destroy something.
    MsgAnswer defaultAnswer = MsgAnswer::Yes;
    // A tick box under the text, when named: it starts as *checked and
    // leaves its state there.
    QString checkText {};
    bool* checked = nullptr;
};

// How a database failure is worded: "未知错误！…" or "未知错误！请重新启动程序再试。…".
enum class ErrorWording { Unknown, Restart };

// Every message box and question of the program goes through here, so that
// tests can answer questions and read back what the user would have seen.
class MessageService
{
public:
    using Handler = std::function<MsgAnswer(const Message&)>;

    static QString applicationTitle();

    static MsgAnswer show(const QString& text, MsgIcon icon = MsgIcon::None, MsgButtons buttons = MsgButtons::Ok,
        const QString& title = QString());
    static MsgAnswer show(const Message& message);
    static void info(const QString& text) { show(text); }
    // Yes, No, or Cancel when the question was closed unanswered.
    static MsgAnswer ask(const QString& text, MsgIcon icon = MsgIcon::Question, const QString& title = QString())
    {
        return show(text, icon, MsgButtons::YesNo, title);
    }
    static bool askYesNo(const QString& text, MsgIcon icon = MsgIcon::Question, const QString& title = QString())
    {
        return ask(text, icon, title) == MsgAnswer::Yes;
    }
    // A question before destroying something: Enter answers No.
    static MsgAnswer askDelete(const QString& text, MsgIcon icon = MsgIcon::Critical);

    // A failure as the user reads it, after `lead`: a verdict in its own
    // words, a database failure in `wording`. A lost server connection asks
    // whether to log in again, where the program has set a way to.
    static void error(
        const Error& error, ErrorWording wording = ErrorWording::Unknown, const QString& lead = QString());
    // Runs (once, until it returns) when the user answers Yes to logging in again.
    static void setReLogin(std::function<void()> reLogin);

    // The GUI installs a handler that shows real message boxes.
    static void setHandler(Handler handler);

    // Test hooks: record instead of showing; questions take queued answers
    // (No when none is queued).
    static void startRecording();
    static void setNextAnswer(MsgAnswer answer);
    // The tick box of the next message that has one, as the user leaves it.
    static void setNextCheck(bool checked);
    static const QVector<Message>& messages();
    static QStringList texts();
    // The last text recorded; empty when there is none.
    static QString lastText();
    static void clearMessages();
};

} // namespace velmora
