#pragma once

#include <QTextEdit>
#include <QUrl>

#include <functional>
#include <optional>

class QTextCharFormat;

// The body of a note: a rich-text editor with the members the note window and its commands use.
// Positions count characters of the document, a paragraph break being one character.
class RichTextBox : public QTextEdit
{
    Q_OBJECT

public:
    explicit RichTextBox(QWidget *parent = nullptr);

    // Replaces the whole content by a file the user chose, as one step that undo takes back. RTF
    // keeps its formatting; any other file shows as plain text, read as UTF-8 when it is valid
    // UTF-8 and as code page 1252 otherwise. A file that cannot be read (not a regular file, or
    // larger than a note file may be) leaves the content as it was; why then says why.
    bool LoadFile(const QString &path, QString *why = nullptr);
    // Replaces the whole content by the note's stored bytes, decoded as above; nothing to undo.
    void LoadData(const QByteArray &data);
    // Writes the whole content as one RTF document, atomically.
    bool SaveFile(const QString &path) const;

    // A content longer than this is shown as a read-only preview of its beginning.
    static constexpr int MaxEditableCharacters = 2'000'000;
    static constexpr int PreviewCharacters = 100'000;
    // The length of the whole content when only a preview of it is shown, otherwise 0. A
    // preview is never the note's content: it must not be saved over the file it came from.
    qint64 PreviewOf() const { return m_previewOf; }

    // Plain text, lines separated by CR LF.
    QString Text() const;
    void SetText(const QString &text);

    int SelStart() const;
    void SetSelStart(int start); // moves the caret there, nothing selected
    int SelLength() const;
    void SetSelLength(int length); // selects from SelStart
    QString SelText() const;
    // Replaces the selection, or inserts at the caret; the caret ends after the new text.
    void SetSelText(const QString &text);

    // No value when the selection mixes values. Setting applies to the selection, or to the
    // typing position when nothing is selected.
    std::optional<QString> SelFontName() const;
    void SetSelFontName(const QString &family);
    std::optional<double> SelFontSize() const;
    void SetSelFontSize(double points);
    std::optional<bool> SelBold() const;
    void SetSelBold(bool on);
    std::optional<bool> SelItalic() const;
    void SetSelItalic(bool on);
    std::optional<bool> SelUnderline() const;
    void SetSelUnderline(bool on);
    std::optional<bool> SelStrikeThru() const;
    void SetSelStrikeThru(bool on);
    std::optional<quint32> SelColor() const; // Windows colour value
    void SetSelColor(quint32 color);

    // Windows colour value of the whole box's background.
    quint32 BackColor() const { return m_backColor; }
    void SetBackColor(quint32 color);

    void SetFocus();
    void Refresh();

signals:
    // Button codes: 1 left, 2 right, 4 middle; for a move, the buttons held, added up.
    void MouseDown(int button, const QPoint &globalPos);
    void MouseMove(int buttons, const QPoint &globalPos);

protected:
    void insertFromMimeData(const QMimeData *source) override;
    void keyPressEvent(QKeyEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    bool viewportEvent(QEvent *e) override;

private:
    // The address of an openable link (web or mail) at a point of the viewport, or an empty one.
    QUrl linkAt(const QPoint &pos) const;
    void keepEdgesOutsideResults();
    QFont resolvedFont(const QTextCharFormat &format) const;
    template <typename T, typename Get> std::optional<T> selValue(Get get) const;
    void mergeFormat(const QTextCharFormat &format);
    // Each returns the whole content's length in characters, as the document would count it.
    qint64 setPlainContent(QString text);
    // Replace doc's content by data as LoadData reads it, or by plain text in the typing format.
    qint64 readInto(QTextDocument *doc, const QByteArray &data) const;
    qint64 plainInto(QTextDocument *doc, QString text) const;
    void replaceContent(const std::function<qint64()> &fill);

    quint32 m_backColor = 0xFFFFFF;
    qint64 m_previewOf = 0;
};
