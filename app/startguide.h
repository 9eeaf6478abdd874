#pragma once

#include <QHash>
#include <QObject>
#include <QString>

class QAction;
class QTextBrowser;
class QUrl;

// What the summary panel says while no data file is open: how to begin, with New, Open and
// Open Sample File as links that run those commands. A link acts only while this text is the
// panel's, so no other document shown there can run a command.
class StartGuide : public QObject
{
    Q_OBJECT

public:
    StartGuide(QTextBrowser *panel, QAction *newFile, QAction *openFile, QAction *sampleFile);

    void show();

    // The text itself, links included.
    static QString document();

private:
    void linkActivated(const QUrl &link);

    QTextBrowser *m_panel = nullptr;
    QHash<QString, QAction *> m_commands;
    bool m_showing = false;
};
