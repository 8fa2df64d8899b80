#pragma once

#include "comments/PhraseLibrary.h"

#include <QDialog>
#include <QStringList>
#include <QVector>
#include <memory>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace Ui {
class Comment;
}

namespace velmora {

class Module1;

// 评语生成器: a comment composed from stock phrases, roles, honours and a remark.
class Comment : public QDialog
{
    Q_OBJECT

public:
    explicit Comment(Module1& session, QWidget* parent = nullptr);
    ~Comment() override;

    // Reads SelNo as the student number.
    void load();
    void clickPhrase(int tab, int row);
    void addByNumber();
    void removeChosen();
    // False when there is nothing to hand over.
    bool preview();
    void submit();
    void addOwn();
    void removeOwn();

Q_SIGNALS:
    // The finished comment, for score entry's comment box.
    void submitted(const QString& comment);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Module1& m_session;
    std::unique_ptr<Ui::Comment> m_ui;
    void doubleClickPhrase(int tab, int row);

    QStringList ChosenNos;
    qint16 CurNo = 0;
    QVector<QListWidget*> List;
    QVector<QCheckBox*> Check; // 0..19 roles, 20..21 honours
    // The teachers' own phrases of 其他.
    QLineEdit* txtOwn;
    QPushButton* BN_OwnAdd;
    QPushButton* BN_OwnDel;

    void addPhraseTabs();
    void addRolesAndHonours();
    void fillLists();
    bool isChosen(int number) const;
    bool choose(int number);
    // The composition, and whether it fits.
    QString composition(bool* fits) const;

    PhraseLibrary m_library;
};

} // namespace velmora
