#pragma once

#include "data/Database.h"

#include <QString>
#include <QStringList>
#include <QVector>

namespace velmora {

// 等级: the bands a score falls in, as compulsory-education schools report
// them, each from its lower bound as a share of full marks; kept per class.
struct GradeBands
{
    struct Band
    {
        QString name;
        int lower = 0; // percent of full marks; the last band starts at 0
        bool operator==(const Band&) const = default;
    };
    // Highest first.
    QVector<Band> bands { { QStringLiteral("优秀"), 90 }, { QStringLiteral("良好"), 80 },
        { QStringLiteral("合格"), 60 }, { QStringLiteral("待合格"), 0 } };

    // A, B, C, D from 85, 70 and 60 percent.
    static GradeBands letters();

    // The band of a score of `full` marks, compared in whole numbers (89.9% is not 90%).
    QString bandOf(int score, int full) const;
    int indexOf(int score, int full) const;

    // Empty when the bands stand in order with names of their own, else why not.
    QString problem() const;
    // "优秀 ≥90%，良好 ≥80%，合格 ≥60%，待合格 <60%"
    QString caption() const;

    // The defaults where nothing is kept, or in a database without the table.
    static Result<GradeBands> load(const Database& db);
    Status save(Database& db) const;
    bool operator==(const GradeBands&) const = default;
};

} // namespace velmora
