#include "menu/IndiceMenu.h"

#include "menu/AlberoMenu.h"

#include <QHash>
#include <QStringList>
#include <array>

namespace velkora {

namespace {

const QString kSeparatorePercorso = QStringLiteral(" \u203A ");

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
        const AlberoMenu albero(righe);
        m_albero = &albero;
        m_programma = &p;
        const std::size_t primaVoce = m_voci.size();
        const Percorso inizio{p.descrizione, testoDiRicerca(p.descrizione)};
        for (const int i : albero.cima())
            voce(albero.nodo(i), inizio);

        // Quick items: as the bar shows them. One that a menu leaf of the same caption already
        // starts the same way is not listed twice (a program's menu codes are unique, so a code
        // names at most one leaf).
        QHash<qint32, const IndiceMenu::Voce*> foglieModo1;
        for (std::size_t i = primaVoce; i < m_voci.size(); ++i) {
            if (m_voci[i].modo == 1)
                foglieModo1.insert(m_voci[i].menu, &m_voci[i]);
        }
        std::vector<const RigaMenu*> rapide;
        for (const RigaCatalogo& c : albero.rapide()) {
            const IndiceMenu::Voce* foglia = foglieModo1.value(c.riga.menu);
            if (!foglia || foglia->didascalia != c.riga.descrizione)
                rapide.push_back(&c.riga);
        }
        for (const RigaMenu* r : rapide)
            aggiungi(r->menu, 1, true, r->descrizione, inizio);
        m_albero = nullptr;
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

    void voce(const AlberoMenu::Nodo& n, const Percorso& percorso)
    {
        switch (n.tipo) {
        case AlberoMenu::Tipo::Separatore:
            return;
        case AlberoMenu::Tipo::Foglia:
            // An entry named "-" at the top level is a leaf with nothing to search for.
            if (n.descrizione != QLatin1String("-"))
                aggiungi(n.menu, n.modo, false, riempita(n), percorso);
            return;
        case AlberoMenu::Tipo::Sottomenu: {
            const Percorso sotto = percorso.poi(riempita(n));
            for (const int f : n.figli)
                voce(m_albero->nodo(f), sotto);
            return;
        }
        }
    }

    QString riempita(const AlberoMenu::Nodo& n)
    {
        if (!n.conParametro)
            return n.descrizione;
        const QString& descrizione = n.descrizione;
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
    const AlberoMenu* m_albero = nullptr;
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
