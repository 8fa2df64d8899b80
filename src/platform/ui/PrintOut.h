#pragma once

#include <QFont>
#include <QPageLayout>
#include <QString>
#include <functional>

class QImage;
class QPagedPaintDevice;

namespace velmora::PrintOut {

// The printed faces. Their fonts map each glyph back to the character
// printed, so text copied from a PDF or searched in it is what was printed
// (with the Noto CJK faces, 生 comes back as the Kangxi radical ⽣).
QFont serif(double points);
QFont sans(double points, bool bold = false);

// Called after each card or page; false stops the work.
using Progress = std::function<bool(int done)>;

// Paints into the device and returns the pages painted: 0 on failure, -1 when stopped.
using Painter = std::function<int(QPagedPaintDevice* device, const Progress& progress)>;

enum class Outcome { Written, Failed, Stopped };

// Writes a PDF beside `path` and moves it into place only when whole, so a
// full disk or a stop leaves no partial file and an older one stays. Only
// the owner may read it: reports carry students' scores and addresses.
Outcome writePdf(const QString& path, const QPageLayout& layout, const QString& title, const Painter& paint,
    const Progress& progress = {}, int* pages = nullptr);

// Writes a PNG the same way: whole or not at all, for the owner's eyes only.
bool writeImage(const QString& path, const QImage& image);

// "学号_姓名.pdf", with the characters a file name may not hold replaced.
QString fileNameFor(const QString& number, const QString& name);

} // namespace velmora::PrintOut
