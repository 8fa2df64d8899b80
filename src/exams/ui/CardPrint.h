#pragma once

#include "classes/GradeBands.h"
#include "exams/ReportCards.h"
#include "platform/ui/PrintOut.h"

#include <QPageLayout>
#include <QRectF>
#include <QVector>

class QComboBox;
class QPagedPaintDevice;
class QPainter;
class QWidget;

namespace velmora::CardPrint {

enum class Paper {
    A4, // one card on each A4 page
    A5, // two A5 cards on each A4 sheet, with a line to cut along
};

using Shown = ReportCards::Shown;

struct Options
{
    Paper paper = Paper::A4;
    bool ranks = true; // off: no rank anywhere, nor the rank chart
    // With ranks: the school's (年级名次) as the marking system's export stated them.
    bool schoolRanks = false;
    Shown shown = Shown::Scores;
    GradeBands grades;
};

// 成绩显示为 (cboShown): 分数, 等级 or 分数和等级, the Shown as each item's data.
void fillShown(QComboBox* box);

// The sheet to print on. A student's own file holds one card: on A5 paper
// for the A5 card.
QPageLayout pageLayout(Paper paper, bool oneStudent = false);

// Where each card goes on a page: the whole page, or its two halves.
QVector<QRectF> slotsOf(QPagedPaintDevice* device, Paper paper);
// Between two halves of a sheet, to cut along.
void cuttingLine(QPainter& p, const QVector<QRectF>& slots);

// Paints the cards of the given students (indexes into term.students), each
// whole on its page or half sheet, its type made smaller only as far as a
// long comment or many subjects need. Returns the pages painted, 0 on
// failure, -1 when `progress` stopped it. `scales` receives each card's
// type size, 1 for the full size.
int paint(QPagedPaintDevice* device, const ReportCards::Term& term, const QVector<int>& students,
    const Options& options, const PrintOut::Progress& progress = {}, QVector<double>* scales = nullptr);

} // namespace velmora::CardPrint
