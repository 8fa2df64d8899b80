#include "app/Sharing.h"

#include "app/MessageService.h"

namespace velmora::Sharing {

namespace {
bool g_agreed = false;
}

bool mayShareClassList()
{
    if (g_agreed)
        return true;
    Message question;
    question.text = QStringLiteral("学生的考试成绩和名次只能告知本人和家长，不得公开张贴或在群里发布。是否继续？");
    question.icon = MsgIcon::Question;
    question.buttons = MsgButtons::YesNo;
    question.defaultAnswer = MsgAnswer::No;
    g_agreed = MessageService::show(question) == MsgAnswer::Yes;
    return g_agreed;
}

void forget()
{
    g_agreed = false;
}

} // namespace velmora::Sharing
