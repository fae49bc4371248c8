#include "menu/IndiceMenu.h"

#include <QHash>
#include <QStringList>
#include <array>

namespace velkora {

namespace {

const QString kSeparatorePercorso = QStringLiteral(" \u203A ");

// The rows of one program by parent: the key packs depth and parent code as the menus look
// children up.
quint64 chiaveFigli(qint32 livello, qint32 menuPrec)
{
    return (quint64(quint32(livello)) << 32) | quint32(menuPrec);
}

// True when word starts a word of text (both folded).
bool iniziaParola(const QString& testo, const QString& parola)
{
    for (qsizetype i = testo.indexOf(parola); i >= 0; i = testo.indexOf(parola, i + 1)) {
        if (i == 0 || testo.at(i - 1) == QLatin1Char(' '))
            return true;
    }
    return false;
}

class Costruzione
{
public:
    Costruzione(std::vector<IndiceMenu::Voce>& voci, const IndiceMenu::Didascalia& riempi)
        : m_voci(voci), m_riempi(riempi)
    {
    }

    void programma(const ProgrammaRicerca& p, const std::vector<const RigaCatalogo*>& righe)
    {
        // Visible rows by parent, in menu order (the rows come ordered by menu code).
        QHash<quint64, std::vector<const RigaMenu*>> figli;
        std::vector<const RigaMenu*> cima;
        for (const RigaCatalogo* c : righe) {
            if (!c->visibile)
                continue;
            const RigaMenu& r = c->riga;
            if (!r.livelloNull && r.livello == 0 && r.precNull)
                cima.push_back(&r);
            if (!r.livelloNull && !r.precNull)
                figli[chiaveFigli(r.livello, r.menuPrec)].push_back(&r);
        }
        m_figli = &figli;
        m_programma = &p;
        const std::size_t primaVoce = m_voci.size();
        const Percorso inizio{p.descrizione, testoDiRicerca(p.descrizione)};
        // The top level shows captions as stored and starts every leaf in mode 1.
        for (const RigaMenu* r : cima)
            voce(*r, r->descrizione, inizio, true);

        // Quick items: as the bar shows them, whatever their row's place or visibility. One
        // that a menu leaf of the same caption already starts the same way is not listed twice.
        for (const RigaCatalogo* c : righe) {
            if (!c->rapida)
                continue;
            const RigaMenu& r = c->riga;
            bool doppia = false;
            for (std::size_t i = primaVoce; i < m_voci.size() && !doppia; ++i) {
                const IndiceMenu::Voce& v = m_voci[i];
                doppia =
                    !v.rapida && v.menu == r.menu && v.modo == 1 && v.didascalia == r.descrizione;
            }
            if (!doppia)
                aggiungi(r.menu, 1, true, r.descrizione, inizio);
        }
    }

private:
    // The path down to an entry, as shown and folded.
    struct Percorso
    {
        QString testo;
        QString cerca;

        Percorso poi(const QString& didascalia) const
        {
            return {testo + kSeparatorePercorso + didascalia,
                    unisci(cerca, testoDiRicerca(didascalia))};
        }
        static QString unisci(const QString& a, const QString& b)
        {
            if (a.isEmpty() || b.isEmpty())
                return a + b;
            return a + QLatin1Char(' ') + b;
        }
    };

    void voce(const RigaMenu& r, const QString& didascalia, const Percorso& percorso, bool inCima)
    {
        const auto it = m_figli->constFind(chiaveFigli(r.livello + 1, r.menu));
        if (it == m_figli->cend() || it->empty()) {
            // A leaf. An entry named "-" draws as a line below the top level; at the top it
            // is a leaf with nothing to search for.
            if (r.descrizione == QLatin1String("-"))
                return;
            const qint32 modo = !inCima && r.livello2 == QLatin1String("1") ? 2 : 1;
            aggiungi(r.menu, modo, false, didascalia, percorso);
            return;
        }
        const Percorso sotto = percorso.poi(didascalia);
        for (const RigaMenu* f : *it) {
            // A separator is never a leaf and its children are never shown.
            if (f->descrizione == QLatin1String("-"))
                continue;
            voce(*f, riempita(f->descrizione), sotto, false);
        }
    }

    QString riempita(const QString& descrizione)
    {
        if (!descrizione.contains(QLatin1String("<LINEA>")))
            return descrizione;
        // The same description always fills the same way while the index is built.
        auto it = m_riempite.constFind(descrizione);
        if (it == m_riempite.cend())
            it = m_riempite.insert(descrizione, m_riempi ? m_riempi(descrizione) : descrizione);
        return *it;
    }

    void aggiungi(qint32 menu, qint32 modo, bool rapida, const QString& didascalia,
                  const Percorso& percorso)
    {
        IndiceMenu::Voce v;
        v.programma = m_programma->codice;
        v.menu = menu;
        v.modo = modo;
        v.rapida = rapida;
        v.didascalia = didascalia;
        v.percorso = percorso.testo + kSeparatorePercorso + didascalia;
        v.immagine = m_programma->immagine;
        v.didascaliaCerca = testoDiRicerca(didascalia);
        v.percorsoCerca = Percorso::unisci(percorso.cerca, v.didascaliaCerca);
        m_voci.push_back(std::move(v));
    }

    std::vector<IndiceMenu::Voce>& m_voci;
    const IndiceMenu::Didascalia& m_riempi;
    QHash<QString, QString> m_riempite;
    const QHash<quint64, std::vector<const RigaMenu*>>* m_figli = nullptr;
    const ProgrammaRicerca* m_programma = nullptr;
};

} // namespace

QString testoDiRicerca(const QString& testo)
{
    QString out;
    out.reserve(testo.size());
    bool spazio = true;
    const auto separa = [&] {
        if (!spazio) {
            out += QLatin1Char(' ');
            spazio = true;
        }
    };
    // One character without its accents: plain letters and digits are kept in lower case,
    // accents dropped, anything else separates words.
    const auto aggiungi = [&](QChar c) {
        const char16_t u = c.unicode();
        if (u < 0x80) {
            if ((u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9')) {
                out += c;
                spazio = false;
            } else if (u >= u'A' && u <= u'Z') {
                out += QChar(char16_t(u + (u'a' - u'A')));
                spazio = false;
            } else {
                separa();
            }
            return;
        }
        const QChar::Category categoria = c.category();
        if (categoria == QChar::Mark_NonSpacing || categoria == QChar::Mark_SpacingCombining ||
            categoria == QChar::Mark_Enclosing)
            return;
        if (u == 0x00DF) {
            // Simple case folding keeps the sharp s; typed text may spell it "ss".
            out += QLatin1String("ss");
            spazio = false;
        } else if (c.isLetterOrNumber()) {
            out += c.toCaseFolded();
            spazio = false;
        } else {
            separa();
        }
    };
    for (qsizetype i = 0; i < testo.size(); ++i) {
        const QChar c = testo.at(i);
        if (c.unicode() < 0x80) {
            aggiungi(c);
        } else if (c.isHighSurrogate() && i + 1 < testo.size()) {
            // Outside the basic plane: kept as it is, as part of a word.
            out += c;
            out += testo.at(++i);
            spazio = false;
        } else {
            // An accented letter splits into the letter and its accents ("à" -> "a" + grave);
            // only such characters pay for the decomposition.
            for (QChar d : QString(c).normalized(QString::NormalizationForm_KD))
                aggiungi(d);
        }
    }
    if (out.endsWith(QLatin1Char(' ')))
        out.chop(1);
    return out;
}

IndiceMenu IndiceMenu::costruisci(const std::vector<ProgrammaRicerca>& programmi,
                                  const std::vector<RigaCatalogo>& righe, const Didascalia& riempi)
{
    QHash<qint32, std::vector<const RigaCatalogo*>> perProgramma;
    for (const RigaCatalogo& c : righe)
        perProgramma[c.programma].push_back(&c);
    IndiceMenu indice;
    indice.m_voci.reserve(righe.size());
    Costruzione costruzione(indice.m_voci, riempi);
    for (const ProgrammaRicerca& p : programmi) {
        const auto it = perProgramma.constFind(p.codice);
        if (it != perProgramma.cend())
            costruzione.programma(p, *it);
    }
    return indice;
}

std::vector<int> IndiceMenu::cerca(const QString& testo) const
{
    const QString cercato = testoDiRicerca(testo);
    if (cercato.isEmpty()) {
        m_ultimoCercato.clear();
        m_ultimeCorrispondenze.clear();
        return {};
    }
    const QStringList parole = cercato.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    // Every word of a text that goes on from the previous one holds a word of the previous
    // one, so what the new one matches is among what the previous one matched.
    const bool restringi = !m_ultimoCercato.isEmpty() && cercato.startsWith(m_ultimoCercato);
    const std::size_t candidate = restringi ? m_ultimeCorrispondenze.size() : m_voci.size();
    std::vector<int> corrispondenze;
    corrispondenze.reserve(candidate);
    std::array<std::vector<int>, 4> gruppi;
    for (std::vector<int>& g : gruppi)
        g.reserve(candidate);
    const auto prova = [&](int i) {
        const Voce& v = m_voci[static_cast<std::size_t>(i)];
        for (const QString& p : parole) {
            if (!v.percorsoCerca.contains(p))
                return;
        }
        corrispondenze.push_back(i);
        int gruppo = 0;
        if (!v.didascaliaCerca.startsWith(cercato)) {
            bool inizi = true;
            bool dentro = true;
            for (const QString& p : parole) {
                if (!v.didascaliaCerca.contains(p)) {
                    dentro = inizi = false;
                    break;
                }
                if (inizi && !iniziaParola(v.didascaliaCerca, p))
                    inizi = false;
            }
            gruppo = inizi ? 1 : dentro ? 2 : 3;
        }
        gruppi[static_cast<std::size_t>(gruppo)].push_back(i);
    };
    if (restringi) {
        for (int i : m_ultimeCorrispondenze)
            prova(i);
    } else {
        for (int i = 0; i < size(); ++i)
            prova(i);
    }
    m_ultimoCercato = cercato;
    m_ultimeCorrispondenze = std::move(corrispondenze);

    std::vector<int> trovate = std::move(gruppi[0]);
    for (std::size_t g = 1; g < gruppi.size(); ++g)
        trovate.insert(trovate.end(), gruppi[g].begin(), gruppi[g].end());
    return trovate;
}

} // namespace velkora
