#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

namespace velkora {

// A remembered row of a data window's dataset: the text of its key (the first field) and its
// position when it was remembered. Going back to it after the dataset is read again finds the
// row by its key, so rows that other users added or deleted meanwhile do not move it elsewhere.
struct Segnalibro
{
    QString chiave;
    int riga = -1;
};

// The save button of a data window keeps the window's save state in an integer tag, held in the
// button's "tag" property: 1 while the window holds changes not yet committed, 0 otherwise.
inline constexpr const char* kProprietaTagPulsante = "tag";

inline int tagPulsante(const QObject& pulsante)
{
    return pulsante.property(kProprietaTagPulsante).toInt();
}

inline void setTagPulsante(QObject& pulsante, int tag)
{
    pulsante.setProperty(kProprietaTagPulsante, tag);
}

} // namespace velkora
