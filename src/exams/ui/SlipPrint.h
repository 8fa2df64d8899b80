#pragma once

#include "exams/Slips.h"
#include "platform/ui/PrintOut.h"

#include <QImage>
#include <QPageLayout>

class QPagedPaintDevice;

namespace velmora::SlipPrint {

QPageLayout pageLayout();

// The slips down A4 pages, each whole with the heading above its row and a
// dashed line to cut along between them; the type made smaller only as far
// as the widest slip needs. Returns the pages painted, 0 on failure, -1 when
// `progress` stopped it.
int paint(QPagedPaintDevice* device, const QString& title, const QVector<Slips::Slip>& slips,
    const Slips::Choices& choices, const PrintOut::Progress& progress = {});

// One slip for a phone: a subject a line, `width` pixels wide.
QImage image(const QString& title, const Slips::Slip& slip, const Slips::Choices& choices, int width = 600);

} // namespace velmora::SlipPrint
