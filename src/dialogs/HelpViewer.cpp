#include "dialogs/HelpViewer.h"

#include "dialogs/ChmFile.h"
#include "note/TopMost.h"

#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QPointer>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QPointer<HelpViewer> &current()
{
    static QPointer<HelpViewer> viewer;
    return viewer;
}

QString notFoundPage(const QString &title, const QString &text)
{
    return u"<html><head><title>%1</title></head><body><h3>%1</h3><p>%2</p></body></html>"_qs.arg(
        title.toHtmlEscaped(), text.toHtmlEscaped());
}

// Pages and pictures come from the help file; links to the web go to the user's browser.
class HelpBrowser : public QTextBrowser
{
public:
    HelpBrowser(QWidget *parent, const std::unique_ptr<ChmFile> &chm)
        : QTextBrowser(parent), m_chm(chm)
    {
        setOpenExternalLinks(true);
    }

    QVariant loadResource(int type, const QUrl &name) override
    {
        std::optional<QByteArray> data;
        // Only names inside the file: no scheme, and nothing that climbs out of its root.
        const QString path = QDir::cleanPath(name.path());
        if (name.scheme().isEmpty() && !path.startsWith(u"..") && m_chm && m_chm->isOpen())
            data = m_chm->read(path);
        if (data)
            return *data;
        if (type != QTextDocument::HtmlResource)
            return {};
        if (!m_chm || !m_chm->isOpen())
            return notFoundPage(u"Ajuda do Notavex"_qs,
                                u"O arquivo de ajuda não pôde ser aberto."_qs);
        return notFoundPage(u"Página não encontrada"_qs,
                            u"A página %1 não existe no arquivo de ajuda."_qs.arg(path));
    }

private:
    const std::unique_ptr<ChmFile> &m_chm;
};

} // namespace

HelpViewer::HelpViewer(QWidget *owner) : QWidget(owner, Qt::Window)
{
    setAttribute(Qt::WA_DeleteOnClose);
    // Opened from the tray it has no owner to stay above, and pinned notes would cover it.
    SetWindowTopmost(this, true);
    setObjectName(u"HelpViewer"_qs);
    cmdVoltar = new QToolButton(this);
    cmdVoltar->setText(u"< Voltar"_qs);
    cmdAvancar = new QToolButton(this);
    cmdAvancar->setText(u"Avançar >"_qs);
    Pagina = new HelpBrowser(this, m_chm);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdVoltar);
    buttons->addWidget(cmdAvancar);
    buttons->addStretch();
    auto *main = new QVBoxLayout(this);
    main->setContentsMargins(4, 4, 4, 4);
    main->addLayout(buttons);
    main->addWidget(Pagina, 1);

    cmdVoltar->setEnabled(false);
    cmdAvancar->setEnabled(false);
    connect(cmdVoltar, &QToolButton::clicked, Pagina, &QTextBrowser::backward);
    connect(cmdAvancar, &QToolButton::clicked, Pagina, &QTextBrowser::forward);
    connect(Pagina, &QTextBrowser::backwardAvailable, cmdVoltar, &QWidget::setEnabled);
    connect(Pagina, &QTextBrowser::forwardAvailable, cmdAvancar, &QWidget::setEnabled);
    connect(Pagina, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = Pagina->documentTitle().trimmed();
        setWindowTitle(title.isEmpty() ? u"Ajuda do Notavex"_qs : title);
    });
    resize(640, 520);
}

HelpViewer::~HelpViewer() = default;

HelpViewer *HelpViewer::Current()
{
    return current();
}

HelpViewer *HelpViewer::ShowTopic(const QString &HelpFile, const QString &Topic)
{
    QWidget *owner = QApplication::activeModalWidget();
    if (current() && current()->parentWidget() != owner)
        delete current().data();
    if (!current())
        current() = new HelpViewer(owner);
    current()->open(HelpFile, Topic);
    current()->show();
    current()->raise();
    current()->activateWindow();
    return current();
}

void HelpViewer::open(const QString &file, const QString &topic)
{
    // The file is read afresh each time: it may have been replaced since the last topic.
    m_chm = std::make_unique<ChmFile>(file);
    if (file != m_file)
        Pagina->clearHistory();
    m_file = file;
    const QUrl url(topic);
    if (Pagina->source() == url)
        Pagina->reload();
    else
        Pagina->setSource(url);
}
