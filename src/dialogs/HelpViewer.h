#pragma once

#include <QWidget>

#include <memory>

class ChmFile;
class QTextBrowser;
class QToolButton;

// The program's help window: the pages of a compiled help file, with their links and pictures,
// read straight from the file. One window serves the whole program; its title is the page's.
class HelpViewer : public QWidget
{
    Q_OBJECT

public:
    // Shows Topic of HelpFile in the help window, made on first use and reused after. Opened from
    // a modal dialog it belongs to that dialog, which would otherwise keep it from being used.
    static HelpViewer *ShowTopic(const QString &HelpFile, const QString &Topic);
    // The open help window, if any.
    static HelpViewer *Current();

    ~HelpViewer() override;

    QTextBrowser *Pagina = nullptr;
    QToolButton *cmdVoltar = nullptr;
    QToolButton *cmdAvancar = nullptr;

private:
    explicit HelpViewer(QWidget *owner);
    void open(const QString &file, const QString &topic);

    std::unique_ptr<ChmFile> m_chm;
    QString m_file;
};
