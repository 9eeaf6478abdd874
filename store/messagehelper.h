#pragma once

#include <QString>
#include <QStringList>
#include <Qt>

#include <functional>

class QObject;

// The kind of a question or notice, shown as its icon.
enum class MessageIcon
{
    NoIcon,
    Information,
    Warning,
    Critical,
    Question
};

// One modal question or notice: its icon, title, text and button labels. The default
// button is the one Enter presses; the escape button is the answer to Escape or to
// closing the box.
struct MessageRequest
{
    MessageIcon icon = MessageIcon::NoIcon;
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

// Every question and notice of the program goes through here. The storage classes have no
// window of their own: a program with one installs a presenter that shows real boxes, tests
// install a responder that answers them, and without either (on the command line) a
// notice goes to stderr and every question is answered with its Escape button, so that
// nothing is ever done to a file unasked.
class MessageHelper
{
public:
    // Puts the request to the user and returns the index of the chosen button. The parent,
    // when given, is the window the box belongs to.
    static int ask(const MessageRequest &request, QObject *parent = nullptr);

    // A notice with a single OK button.
    static void show(MessageIcon icon, const QString &title, const QString &text,
                     QObject *parent = nullptr);

    // A two-button question: true for the first (default) button, false for the second,
    // which is also the answer to Escape.
    static bool confirm(MessageIcon icon, const QString &title, const QString &text,
                        const QString &acceptLabel, const QString &rejectLabel,
                        QObject *parent = nullptr);

    // The titles of the boxes about the data file and the system store.
    static QString fileErrorTitle();
    static QString fileUpgradeTitle();

    // The Critical file error box for something the file did not let us do, followed by the
    // database's own reason; plain text, as it may quote paths and stored texts.
    static void showFileError(const QString &what, QObject *parent = nullptr);
    // The same with a reason found earlier.
    static void showFileError(const QString &what, const QString &reason,
                              QObject *parent = nullptr);

    // Shows the request and returns the chosen button; an empty function removes it.
    using Presenter = std::function<int(const MessageRequest &, QObject *parent)>;
    static void setPresenter(Presenter presenter);

    // Tests install a responder that answers before any presenter is asked; an empty
    // function brings the presenter back.
    using Responder = std::function<int(const MessageRequest &)>;
    static void setResponder(Responder responder);
};
