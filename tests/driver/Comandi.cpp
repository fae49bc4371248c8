#include "Comandi.h"

#include "menu/RicercaMenu.h"
#include "dialoghi/SelezDitta.h"
#include "dialoghi/Sessioni.h"
#include "shell/BaseMain.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTableView>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <functional>
#include <unistd.h>

using velkora::TBaseMainForm;

namespace {

QWidget* finestra(const char* nome)
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String(nome) && w->isVisible())
            return w;
    }
    return nullptr;
}

QStringList finestreAperte()
{
    QStringList nomi;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && !w->objectName().isEmpty())
            nomi << w->objectName();
    }
    nomi.sort();
    return nomi;
}

QTableView* griglia(QWidget* w)
{
    return w->findChild<QTableView*>(QStringLiteral("Griglia"));
}

QPushButton* pulsante(QWidget* w, const char* nome)
{
    return w->findChild<QPushButton*>(QString::fromLatin1(nome));
}

QStringList nomi(QWidget* w)
{
    QStringList out;
    QAbstractItemModel* m = griglia(w)->model();
    for (int r = 0; r < m->rowCount(); ++r)
        out << m->index(r, 1).data().toString();
    return out;
}

// One workstation's commands, one at a time. A command is an action run on its own turn of the
// event loop; while it runs (a box or a dialog has its own loop), a timer answers the boxes and
// the dialogs. The reply goes out once the action has returned and its condition holds.
class Postazione : public QObject
{
public:
    explicit Postazione(TBaseMainForm& main)
        : QObject(qApp)
        , m_main(&main)
        , m_ingresso(new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this))
    {
        connect(m_ingresso, &QSocketNotifier::activated, this, [this] { leggi(); });
        auto* orologio = new QTimer(this);
        connect(orologio, &QTimer::timeout, this, [this] { tic(); });
        orologio->start(5);
    }

private:
    // A dialog the command expects: it acts on it (by posta) and returns true; fase counts the
    // times it was offered the same dialog.
    using Dialoghi = std::function<bool(QWidget* dialogo, int fase)>;

    void leggi()
    {
        char blocco[4096];
        const ssize_t letti = ::read(STDIN_FILENO, blocco, sizeof blocco);
        if (letti <= 0) {
            m_ingresso->setEnabled(false);
            m_fineIngresso = true;
            prossimo();
            return;
        }
        m_buffer.append(blocco, letti);
        for (qsizetype fine; (fine = m_buffer.indexOf('\n')) >= 0;) {
            m_coda << QString::fromUtf8(m_buffer.left(fine)).remove(QLatin1Char('\r'));
            m_buffer.remove(0, fine + 1);
        }
        prossimo();
    }

    void prossimo()
    {
        if (m_inCorso)
            return;
        if (m_coda.isEmpty()) {
            // No more commands will come: the program ends as a termination signal ends it,
            // its session closed.
            if (m_fineIngresso && !m_terminato) {
                m_terminato = true;
                std::raise(SIGTERM);
            }
            return;
        }
        const QStringList parole = m_coda.takeFirst().split(QLatin1Char('\t'));
        m_inCorso = true;
        m_azioneFinita = false;
        m_rispostaSi = false;
        m_box = {};
        m_dialoghi = {};
        m_dopo = {};
        m_esito = {};
        m_risposta = QJsonObject{{QStringLiteral("comando"), parole.value(0)}};
        m_errore.clear();
        comando(parole);
        posta([this, azione = m_azione] {
            // Also when the action throws: the program's own handling then shows the error in
            // a box, which the timer answers before the reply goes out.
            struct Finita
            {
                bool& finita;
                ~Finita() { finita = true; }
            } finita{m_azioneFinita};
            if (azione)
                azione();
        });
    }

    // Runs the function on its own turn of the loop; the timer leaves the boxes alone until it
    // has started.
    void posta(std::function<void()> f)
    {
        m_inAttesa = true;
        QTimer::singleShot(0, this, [this, f = std::move(f)] {
            m_inAttesa = false;
            f();
        });
    }

    void fallisce(const QString& perche) { m_errore = perche; }

    void tic()
    {
        if (!m_inCorso || m_inAttesa)
            return;
        QWidget* modale = QApplication::activeModalWidget();
        if (modale && modale->isVisible()) {
            if (auto* box = qobject_cast<QMessageBox*>(modale)) {
                m_box.append(QJsonObject{{QStringLiteral("testo"), box->text()},
                                         {QStringLiteral("dettaglio"), box->detailedText()}});
                QAbstractButton* tasto = box->button(QMessageBox::Yes)
                                             ? box->button(m_rispostaSi ? QMessageBox::Yes
                                                                        : QMessageBox::No)
                                             : box->button(QMessageBox::Ok);
                if (!tasto && !box->buttons().isEmpty())
                    tasto = box->buttons().constFirst();
                const QPointer<QAbstractButton> premi(tasto);
                posta([premi] {
                    if (premi)
                        premi->click();
                });
                return;
            }
            const int fase = modale->property("faseComando").toInt();
            modale->setProperty("faseComando", fase + 1);
            if (m_dialoghi && m_dialoghi(modale, fase))
                return;
            m_dialoghiInattesi << modale->objectName();
            const QPointer<QWidget> chiudi(modale);
            posta([chiudi] {
                if (auto* d = qobject_cast<QDialog*>(chiudi.data()))
                    d->reject();
                else if (chiudi)
                    chiudi->close();
            });
            return;
        }
        if (!m_azioneFinita)
            return;
        if (m_dopo && !m_dopo()) {
            // What the command waits for after its action (a window going) may never come: the
            // reply then says so, rather than leaving the caller without one.
            if (!m_attesaDopo.isValid())
                m_attesaDopo.start();
            if (m_attesaDopo.elapsed() < 15000)
                return;
            fallisce(QStringLiteral("la condizione attesa dopo il comando non si è verificata in 15 s"));
        }
        m_attesaDopo.invalidate();
        if (m_esito && m_main)
            m_esito(m_risposta);
        m_risposta.insert(QStringLiteral("esito"),
                          m_errore.isEmpty() ? QStringLiteral("ok") : QStringLiteral("errore"));
        if (!m_errore.isEmpty())
            m_risposta.insert(QStringLiteral("errore"), m_errore);
        m_risposta.insert(QStringLiteral("box"), m_box);
        if (!m_dialoghiInattesi.isEmpty())
            m_risposta.insert(QStringLiteral("dialoghi"),
                              QJsonArray::fromStringList(m_dialoghiInattesi));
        m_dialoghiInattesi.clear();
        const QByteArray riga = QJsonDocument(m_risposta).toJson(QJsonDocument::Compact) + '\n';
        std::fwrite(riga.constData(), 1, static_cast<size_t>(riga.size()), stdout);
        std::fflush(stdout);
        m_inCorso = false;
        QTimer::singleShot(0, this, [this] { prossimo(); });
    }

    QWidget* clienti()
    {
        QWidget* w = finestra("TClientiForm");
        if (!w)
            fallisce(QStringLiteral("l'elenco clienti non è aperto"));
        return w;
    }

    void titolo()
    {
        m_esito = [this](QJsonObject& r) {
            r.insert(QStringLiteral("titolo"), m_main->windowTitle());
            r.insert(QStringLiteral("sessione"), m_main->CodiceSessione);
            r.insert(QStringLiteral("aperta"), m_main->SessioneAperta);
            r.insert(QStringLiteral("accesso"), m_main->PanelLogIn->isVisible());
        };
    }

    void tag()
    {
        m_esito = [this](QJsonObject& r) {
            if (QWidget* w = finestra("TClientiForm"))
                r.insert(QStringLiteral("tag"), pulsante(w, "ButtonSalva")->property("tag").toInt());
        };
    }

    void cerca(const QString& parole)
    {
        m_azione = [this, parole] {
            QLineEdit* campo = m_main->RicercaVoci->campo();
            campo->setFocus();
            campo->setText(parole);
            QKeyEvent invio(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(campo, &invio);
        };
    }

    // Types the text as a keyboard does, in place of what the field holds or after it; stops at
    // the first box (a refused edit shows one per key).
    void scrivi(QLineEdit* campo, const QString& testo, bool sostituisci = true)
    {
        campo->setFocus();
        if (sostituisci)
            campo->selectAll();
        else
            campo->end(false);
        const qsizetype prima = m_box.size();
        for (const QChar c : testo) {
            QKeyEvent giu(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(campo, &giu);
            QKeyEvent su(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(campo, &su);
            if (m_box.size() != prima)
                break;
        }
    }

    void comando(const QStringList& p)
    {
        const QString nome = p.value(0);
        m_azione = {};
        if (nome == QLatin1String("accedi")) {
            m_azione = [this, utente = p.value(1), password = p.value(2)] {
                const int i = m_main->ComboUtenti->findText(utente);
                if (i < 0)
                    return fallisce(QStringLiteral("utente sconosciuto: ") + utente);
                m_main->ComboUtenti->setCurrentIndex(i);
                m_main->EditPassword->setText(password);
                m_main->ButtonOk->click();
            };
            titolo();
        } else if (nome == QLatin1String("voce")) {
            cerca(p.value(1));
            m_esito = [](QJsonObject& r) {
                r.insert(QStringLiteral("finestre"), QJsonArray::fromStringList(finestreAperte()));
            };
        } else if (nome == QLatin1String("clienti")) {
            cerca(QStringLiteral("elenco cli"));
            m_esito = [](QJsonObject& r) {
                r.insert(QStringLiteral("aperta"), finestra("TClientiForm") != nullptr);
            };
        } else if (nome == QLatin1String("righe")) {
            m_azione = [this] {
                if (QWidget* w = clienti())
                    m_risposta.insert(QStringLiteral("righe"), QJsonArray::fromStringList(nomi(w)));
            };
        } else if (nome == QLatin1String("modifica") || nome == QLatin1String("aggiungi")) {
            // "aggiungi" types after what the field holds, or in its place when both together
            // would be longer than the limit.
            const bool aggiungi = nome == QLatin1String("aggiungi");
            const int limite = p.value(4).toInt();
            m_azione = [this, aggiungi, limite, riga = p.value(1), colonna = p.value(2), testo = p.value(3)] {
                QWidget* w = clienti();
                if (!w)
                    return;
                const qsizetype r = nomi(w).indexOf(riga);
                auto* campo = w->findChild<QLineEdit*>(QStringLiteral("Edit") + colonna);
                if (r < 0 || !campo)
                    return fallisce(QStringLiteral("riga o campo non trovato: ") + riga +
                                    QLatin1Char('/') + colonna);
                griglia(w)->setCurrentIndex(griglia(w)->model()->index(static_cast<int>(r), 1));
                const QString prima = campo->text();
                m_risposta.insert(QStringLiteral("prima"), prima);
                scrivi(campo, testo, !aggiungi || prima.size() + testo.size() > limite);
                m_risposta.insert(QStringLiteral("testo"), campo->text());
            };
            tag();
        } else if (nome == QLatin1String("salva") || nome == QLatin1String("annulla") ||
                   nome == QLatin1String("aggiorna")) {
            // "annulla" asks to confirm that the changes go; the user says yes.
            m_rispostaSi = nome == QLatin1String("annulla");
            const QByteArray tasto = nome == QLatin1String("salva")     ? "ButtonSalva"
                                     : nome == QLatin1String("annulla") ? "ButtonAnnulla"
                                                                        : "ButtonAggiorna";
            m_azione = [this, tasto] {
                if (QWidget* w = clienti())
                    pulsante(w, tasto.constData())->click();
            };
            tag();
        } else if (nome == QLatin1String("chiudiclienti")) {
            m_azione = [this] {
                if (QWidget* w = clienti())
                    w->close();
            };
            m_dopo = [] { return finestra("TClientiForm") == nullptr; };
        } else if (nome == QLatin1String("stampa")) {
            const QString pdf = p.value(1);
            m_azione = [this] {
                if (QWidget* w = clienti())
                    pulsante(w, "ButtonStampa")->click();
            };
            m_dialoghi = [this, pdf](QWidget* d, int fase) {
                const QPointer<QWidget> dialogo(d);
                if (d->objectName() == QLatin1String("AnteprimaStampa")) {
                    posta([dialogo, fase] {
                        if (!dialogo)
                            return;
                        auto* salva = dialogo->findChild<QAction*>(QStringLiteral("SalvaPdf"));
                        if (fase == 0 && salva)
                            salva->trigger();
                        else
                            static_cast<QDialog*>(dialogo.data())->reject();
                    });
                    return true;
                }
                if (auto* scelta = qobject_cast<QFileDialog*>(d)) {
                    posta([dialogo, scelta, pdf] {
                        if (!dialogo)
                            return;
                        // Typed into the name field as a user types a whole path: the dialog's
                        // own choice of folder and name, still loading, cannot replace it.
                        if (auto* nome = scelta->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                            nome->setText(pdf);
                        else
                            scelta->selectFile(pdf);
                        static_cast<QDialog*>(scelta)->accept();
                    });
                    return true;
                }
                return false;
            };
            m_esito = [pdf](QJsonObject& r) {
                r.insert(QStringLiteral("pdf"), QFileInfo(pdf).size());
            };
        } else if (nome == QLatin1String("f8") || nome == QLatin1String("f12")) {
            const int tasto = nome == QLatin1String("f8") ? Qt::Key_F8 : Qt::Key_F12;
            m_azione = [this, tasto] { m_main->FormKeyUp(tasto); };
            titolo();
        } else if (nome == QLatin1String("f9")) {
            const QString ditta = p.value(1);
            m_azione = [this] { m_main->FormKeyUp(Qt::Key_F9); };
            m_dialoghi = [this, ditta](QWidget* d, int) {
                auto* scelta = qobject_cast<velkora::TSelezDittaForm*>(d);
                if (!scelta)
                    return false;
                const QPointer<velkora::TSelezDittaForm> dialogo(scelta);
                posta([this, dialogo, ditta] {
                    if (!dialogo)
                        return;
                    const QList<QListWidgetItem*> voci =
                        dialogo->ListBoxSelDitta->findItems(ditta, Qt::MatchExactly);
                    if (voci.isEmpty()) {
                        fallisce(QStringLiteral("ditta non in elenco: ") + ditta);
                        dialogo->ButtonCancel->click();
                        return;
                    }
                    dialogo->ListBoxSelDitta->setCurrentItem(voci.constFirst());
                    dialogo->ButtonOk->click();
                });
                return true;
            };
            titolo();
        } else if (nome == QLatin1String("sessioni")) {
            // Closing the marked sessions asks first; the user says yes.
            m_rispostaSi = true;
            m_azione = [this] { m_main->Sessioni1->trigger(); };
            m_dialoghi = [this](QWidget* d, int fase) {
                auto* sessioni = qobject_cast<velkora::TSessioniForm*>(d);
                if (!sessioni)
                    return false;
                const QPointer<velkora::TSessioniForm> dialogo(sessioni);
                posta([this, dialogo, fase] {
                    if (!dialogo)
                        return;
                    if (fase > 0)
                        return dialogo->reject();
                    const QString propria = QString::number(m_main->CodiceSessione);
                    int chiuse = 0;
                    for (int r = 0; r < dialogo->GridSessioni->rowCount(); ++r) {
                        const QTableWidgetItem* cella = dialogo->GridSessioni->item(r, 0);
                        if (!cella || cella->text().trimmed() == propria)
                            continue;
                        dialogo->GridSessioni->setCurrentCell(r, 0);
                        dialogo->GridSessioniDblClick();
                        ++chiuse;
                    }
                    m_risposta.insert(QStringLiteral("chiuse"), chiuse);
                    if (chiuse > 0)
                        dialogo->ButtonChiudiSel->click();
                });
                return true;
            };
        } else if (nome == QLatin1String("stato")) {
            titolo();
        } else if (nome == QLatin1String("esci")) {
            m_azione = [this] { m_main->Esci1->trigger(); };
        } else {
            fallisce(QStringLiteral("comando sconosciuto: ") + nome);
        }
    }

    QPointer<TBaseMainForm> m_main;
    QSocketNotifier* m_ingresso;
    QByteArray m_buffer;
    QStringList m_coda;
    bool m_inCorso = false;
    bool m_fineIngresso = false;
    bool m_terminato = false;
    bool m_inAttesa = false;
    bool m_azioneFinita = false;
    bool m_rispostaSi = false;
    std::function<void()> m_azione;
    Dialoghi m_dialoghi;
    std::function<bool()> m_dopo;
    QElapsedTimer m_attesaDopo;
    std::function<void(QJsonObject&)> m_esito;
    QJsonObject m_risposta;
    QJsonArray m_box;
    QStringList m_dialoghiInattesi;
    QString m_errore;
};

} // namespace

void avviaComandi(TBaseMainForm& main)
{
    new Postazione(main);
}
