#include "note/OpenForms.h"

#include <QList>
#include <QPointer>
#include <QSet>
#include <QVariant>
#include <QWidget>

namespace {

QList<QPointer<QWidget>> &forms()
{
    static QList<QPointer<QWidget>> list;
    return list;
}

// Which windows are listed, so that adding one of a thousand notes does not search the list.
QSet<const QWidget *> &listed()
{
    static QSet<const QWidget *> set;
    return set;
}

} // namespace

namespace OpenForms {

int count()
{
    return int(forms().size());
}

QWidget *at(int index)
{
    if (index < 0 || index >= forms().size())
        return nullptr;
    return forms().at(index);
}

int indexOf(const QWidget *w)
{
    for (int i = 0; i < forms().size(); ++i) {
        if (forms().at(i) == w)
            return i;
    }
    return -1;
}

void add(QWidget *w)
{
    // A window destroyed without being removed leaves its address in the set, where a new window
    // may come to live: the list itself has the last word.
    if (!w || (listed().contains(w) && indexOf(w) >= 0))
        return;
    listed().insert(w);
    forms().append(w);
}

void remove(const QWidget *w)
{
    listed().remove(w);
    const int i = indexOf(w);
    if (i >= 0)
        forms().removeAt(i);
}

int noteIdOf(const QWidget *w)
{
    if (!w)
        return 0;
    bool ok = false;
    const int id = w->property("Tag").toString().trimmed().toInt(&ok);
    return ok && id > 0 && id <= 32767 ? id : 0;
}

} // namespace OpenForms

int FindNoteFormIndex(int Id)
{
    for (int i = 0; i < OpenForms::count(); ++i) {
        const int id = OpenForms::noteIdOf(OpenForms::at(i));
        if (id != 0 && id == Id)
            return i;
    }
    return 0;
}
