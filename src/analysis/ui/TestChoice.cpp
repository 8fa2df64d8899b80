#include "analysis/ui/TestChoice.h"

#include "app/Module1.h"
#include "platform/MessageService.h"
#include "students/StudentRecord.h"

#include <QComboBox>

namespace velmora::TestChoice {

std::optional<Start> start(int atLeast, const QString& fewer)
{
    auto tests = Exams::list(mod().Conn);
    auto names = Students::names(mod().Conn);
    auto rules = StatsRules::load(mod().Conn);
    if (!tests || !names || !rules) {
        MessageService::error(!tests ? tests.error() : !names ? names.error() : rules.error());
        return std::nullopt;
    }
    if (tests->size() < atLeast) {
        MessageService::info(fewer);
        return std::nullopt;
    }
    return Start { *tests, *names, *rules };
}

void fill(std::initializer_list<QComboBox*> boxes, const QVector<TestRecord>& tests)
{
    // The newest first: the exam just marked is the one wanted.
    for (auto t = tests.crbegin(); t != tests.crend(); ++t) {
        const QString caption = QStringLiteral("%1 %2 %3").arg(t->number).arg(t->name, t->date);
        for (QComboBox* box : boxes)
            box->addItem(caption, t->number);
    }
}

std::optional<Analysis::TestCells> cells(int number)
{
    auto test = Exams::fetch(mod().Conn, number);
    if (!test || !*test) {
        if (!test)
            MessageService::error(test.error());
        return std::nullopt;
    }
    auto read = Analysis::cellsOf(mod().Conn, **test);
    if (!read) {
        MessageService::error(read.error());
        return std::nullopt;
    }
    return *std::move(read);
}

} // namespace velmora::TestChoice
