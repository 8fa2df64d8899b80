#pragma once

#include "comments/PhraseLibrary.h"

#include <QDialog>
#include <QStringList>
#include <QVector>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace velmora {

// 评语生成器: a comment composed from stock phrases, roles, honours and a remark.
class Comment : public QDialog
{
    Q_OBJECT

public:
    explicit Comment(QWidget* parent = nullptr);

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
    void doubleClickPhrase(int tab, int row);

    QStringList ChosenNos;
    qint16 CurNo = 0;
    QLineEdit* txtNumber;
    QLineEdit* txtName;
    QTabWidget* tabRTF;
    QVector<QListWidget*> List;
    QLineEdit* Text1;
    QPushButton* Command1;
    QLineEdit* Text3;
    QLineEdit* Text2;
    QListWidget* List2;
    QPushButton* del;
    QVector<QCheckBox*> Check; // 0..19 roles, 20..21 honours
    QPlainTextEdit* memo;
    QPlainTextEdit* Text5;
    QPushButton* Command2;
    QPushButton* Command3;
    // The teachers' own phrases of 其他.
    QLineEdit* txtOwn;
    QPushButton* BN_OwnAdd;
    QPushButton* BN_OwnDel;

    void fillLists();
    bool isChosen(int number) const;
    bool choose(int number);
    // The composition, and whether it fits.
    QString composition(bool* fits) const;

    PhraseLibrary m_library;
};

} // namespace velmora
