#include "startguide.h"

#include <QAction>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>

namespace {
const QString newLink = QStringLiteral("command:new");
const QString openLink = QStringLiteral("command:open");
const QString sampleLink = QStringLiteral("command:sample");
} // namespace

StartGuide::StartGuide(QTextBrowser *panel, QAction *newFile, QAction *openFile,
                       QAction *sampleFile)
    : QObject(panel),
      m_panel(panel), m_commands{{newLink, newFile}, {openLink, openFile}, {sampleLink, sampleFile}}
{
    // The panel never follows a link itself: it would try to load the link as its document.
    panel->setOpenLinks(false);
    connect(panel, &QTextBrowser::anchorClicked, this, &StartGuide::linkActivated);
    // Whatever replaces the text ends what its links may do.
    connect(panel->document(), &QTextDocument::contentsChanged, this,
            [this] { m_showing = false; });
}

void StartGuide::show()
{
    m_panel->setHtml(document());
    m_showing = true;
}

QString StartGuide::document()
{
    return tr("<html><body><p><b>No data file is open.</b> To begin:</p>"
              "<p><a href=\"%1\">New...</a> starts an empty file for your bills,<br>"
              "<a href=\"%2\">Open...</a> opens a file you already have, or<br>"
              "<a href=\"%3\">Open Sample File</a> opens a household's bills to try things "
              "out on.</p></body></html>")
        .arg(newLink, openLink, sampleLink);
}

void StartGuide::linkActivated(const QUrl &link)
{
    if (!m_showing)
        return;
    if (QAction *command = m_commands.value(link.toString()))
        command->trigger();
}
