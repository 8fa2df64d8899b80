#pragma once

#include "platform/ui/PrintOut.h"

#include <memory>

class QProgressDialog;
class QWidget;

namespace velmora {

// A progress bar with a cancel button, shown once the work takes longer
// than a moment.
class ProgressBox
{
public:
    ProgressBox(QWidget* parent, const QString& label, int total);
    ~ProgressBox();

    // Moves the bar; false once the teacher has cancelled.
    PrintOut::Progress progress();

private:
    std::unique_ptr<QProgressDialog> m_dialog;
};

} // namespace velmora
