#include "analysis/ui/TestChoice.h"

#include "app/MessageService.h"
#include "app/Module1.h"
#include "exams/TestEvents.h"
#include "students/StudentRecord.h"

#include <QComboBox>

namespace velmora::TestChoice {

std::optional<Start> start(Database& db, int atLeast, const QString& fewer)
{
    auto tests = Exams::list(db);
    auto names = Students::names(db);
    auto rules = StatsRules::load(db);
    auto terms = Analysis::Terms::list(db);
    if (!tests || !names || !rules || !terms) {
        MessageService::error(!tests ? tests.error() : !names ? names.error() : !rules ? rules.error() : terms.error());
        return std::nullopt;
    }
    if (tests->size() < atLeast) {
        MessageService::info(fewer);
        return std::nullopt;
    }
    return Start { *tests, *terms, *names, *rules };
}

void fill(std::initializer_list<QComboBox*> boxes, const Start& start)
{
    // The newest first: the exam just marked is the one wanted.
    for (auto t = start.tests.crbegin(); t != start.tests.crend(); ++t) {
        const QString caption = QStringLiteral("%1 %2 %3").arg(t->number).arg(t->name, t->date);
        for (QComboBox* box : boxes)
            box->addItem(caption, t->number);
    }
    for (const Analysis::TermDefinition& term : start.terms) {
        for (QComboBox* box : boxes)
            box->addItem(QStringLiteral("学期总评：") + term.name, term.name);
    }
}

void follow(QObject* window, QVector<QComboBox*> boxes, const std::function<bool()>& reload)
{
    QObject::connect(&TestEvents::instance(), &TestEvents::testsChanged, window, [boxes, reload] {
        QVariantList chosen;
        for (QComboBox* box : boxes)
            chosen << box->currentData();
        if (!reload())
            return;
        for (int b = 0; b < boxes.size(); ++b) {
            if (const int at = boxes[b]->findData(chosen[b]); at >= 0)
                boxes[b]->setCurrentIndex(at);
        }
    });
}

std::optional<Analysis::TestCells> cells(Database& db, const QVariant& choice, const Start& start)
{
    if (choice.typeId() == QMetaType::QString) {
        for (const Analysis::TermDefinition& term : start.terms) {
            if (term.name != choice.toString())
                continue;
            auto sheet = Analysis::termSheet(db, term, start.rules);
            if (!sheet) {
                MessageService::error(sheet.error());
                return std::nullopt;
            }
            return Analysis::termCells(*sheet);
        }
        return std::nullopt;
    }
    auto test = Exams::fetch(db, choice.toInt());
    if (!test || !*test) {
        if (!test)
            MessageService::error(test.error());
        return std::nullopt;
    }
    auto read = Analysis::cellsOf(db, **test);
    if (!read) {
        MessageService::error(read.error());
        return std::nullopt;
    }
    return *std::move(read);
}

} // namespace velmora::TestChoice
