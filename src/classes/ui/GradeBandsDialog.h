#pragma once

#include "classes/GradeBands.h"

#include <QDialog>
#include <memory>

namespace Ui {
class GradeBandsDialog;
}

namespace velmora {

class Module1;

// 等级标准: the class's bands and their lower bounds, with two presets.
class GradeBandsDialog : public QDialog
{
    Q_OBJECT

public:
    GradeBandsDialog(Module1& session, const GradeBands& bands, QWidget* parent);
    ~GradeBandsDialog() override;
    // Opens on the class's bands; true when new ones were kept.
    static bool edit(Module1& session, QWidget* parent);
    // As the table stands, checked or not.
    GradeBands bands() const;
    // Saves, or says why not and stays open.
    void accept() override;

private:
    Module1& m_session;
    std::unique_ptr<Ui::GradeBandsDialog> m_ui;
    void showBands(const GradeBands& bands);
};

} // namespace velmora
