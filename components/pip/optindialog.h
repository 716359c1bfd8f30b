#pragma once

#include <QDialog>

class QPushButton;
class QRadioButton;

// The product-improvement dialog: what taking part means, the choice to take part or not, and
// where the records are kept. The current choice is preselected; none is when the user never
// chose.
class OptInDialog : public QDialog
{
    Q_OBJECT
public:
    OptInDialog(const QString &title, const QString &recordFolder, int currentState,
                QWidget *parent = nullptr);

    // 1 to take part, 0 not to, -1 while neither is selected.
    int choice() const;

private:
    void updateButtons();

    QRadioButton *m_optIn = nullptr;
    QRadioButton *m_optOut = nullptr;
    QPushButton *m_ok = nullptr;
};
