#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// One modal question or notice: its icon, title, text and button labels. The default
// button is the one Enter presses; the escape button is the answer to Escape or to
// closing the box.
struct MessageRequest
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;
    QStringList buttons{QStringLiteral("OK")};
    int defaultButton = 0;
    int escapeButton = 0;
    // Resource path of the box's window icon; empty keeps the application's.
    QString windowIcon;
    // Boxes that quote the user's own texts set Qt::PlainText, so that a name such as
    // "<b>Acme</b>" is shown as typed.
    Qt::TextFormat textFormat = Qt::AutoText;
};

// Every message box of the program goes through here, so that tests can answer them.
class MessageHelper
{
public:
    // Shows the box modally and returns the index of the chosen button.
    static int ask(const MessageRequest &request, QWidget *parent = nullptr);

    // A notice with a single OK button.
    static void show(QMessageBox::Icon icon, const QString &title, const QString &text,
                     QWidget *parent = nullptr);

    // A two-button question: true for the first (default) button, false for the second,
    // which is also the answer to Escape.
    static bool confirm(QMessageBox::Icon icon, const QString &title, const QString &text,
                        const QString &acceptLabel, const QString &rejectLabel,
                        QWidget *parent = nullptr);

    // The titles of the boxes about the data file and the system store.
    static QString fileErrorTitle();
    static QString fileUpgradeTitle();

    // The Critical file error box for something the file did not let us do, followed by the
    // database's own reason; plain text, as it may quote paths and stored texts.
    static void showFileError(const QString &what, QWidget *parent = nullptr);

    // Tests install a responder that answers instead of a real box; an empty function
    // brings the real boxes back.
    using Responder = std::function<int(const MessageRequest &)>;
    static void setResponder(Responder responder);
    static bool hasResponder();
};
