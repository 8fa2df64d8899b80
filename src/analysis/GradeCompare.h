#pragma once

#include "analysis/StatsTable.h"
#include "exams/ClassFigures.h"

#include <QStringList>
#include <QVector>
#include <optional>

namespace velmora::Analysis {

// Our class beside the grade and its parallel classes, item by item (the
// subjects, then 总分): our figures are the statistics table's own, the
// others' those their export left, the grade's all of them together.
struct GradeTable
{
    QStringList classes; // the other classes, by name
    QStringList items;
    QVector<StatsRow> own; // per item
    QVector<StatsRow> grade;
    QVector<QVector<StatsRow>> others; // per item, per other class; sat 0 where a class has none
};
GradeTable gradeTable(const StatsTable& own, const QVector<ClassFigures::Figures>& others);

// What a place is taken in; a lower 低分率 is the better.
enum class Figure { Average, Highest, Excellent, Good, Pass, Low };
// Our class's place among the classes with figures, competition style, and how many there are.
struct Place
{
    int place = 0;
    int of = 0;
};
std::optional<Place> placeOf(const GradeTable& table, int item, Figure figure);
// "第2/6"
QString placeText(const std::optional<Place>& place);

// How many of ours are among the grade's first N by the file's 校次, for each N.
QVector<int> topCounts(const QStringList& schoolRanks, const QVector<int>& tops);

// The table as shown and exported: per item, 本班's figures, its places
// (with `earlier`, the place then → now), the grade's, each other class's;
// a row of nothing, then the 年级前N名 counts where any are given.
SheetTable gradeSheet(const GradeTable& table, const QString& title, const GradeTable* earlier = nullptr,
    const QVector<int>& tops = {}, const QVector<int>& counts = {});

} // namespace velmora::Analysis
