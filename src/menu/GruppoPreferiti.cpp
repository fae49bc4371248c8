#include "menu/GruppoPreferiti.h"

#include "menu/NavBarStyle.h"

#include <QApplication>
#include <QMenu>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace velkora {

namespace {

QString testoIntestazione(bool aperto)
{
    return (aperto ? QStringLiteral("\u25BE ") : QStringLiteral("\u25B8 ")) + QStringLiteral("Preferiti");
}

} // namespace

GruppoPreferiti::GruppoPreferiti(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("GruppoPreferiti"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(3, 0, 3, 3);
    layout->setSpacing(0);

    m_intestazione = new QToolButton(this);
    m_intestazione->setObjectName(QStringLiteral("IntestazionePreferiti"));
    m_intestazione->setText(testoIntestazione(true));
    m_intestazione->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_intestazione->setAutoRaise(true);
    m_intestazione->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    QFont grassetto = m_intestazione->font();
    grassetto.setBold(true);
    m_intestazione->setFont(grassetto);
    m_intestazione->setStyleSheet(QStringLiteral("QToolButton { text-align: left; padding: 3px; }"));
    layout->addWidget(m_intestazione);

    m_elenco = new QWidget(this);
    m_layoutElenco = new QVBoxLayout(m_elenco);
    m_layoutElenco->setContentsMargins(6, 0, 0, 0);
    m_layoutElenco->setSpacing(0);
    layout->addWidget(m_elenco);

    connect(m_intestazione, &QToolButton::clicked, this, [this] {
        const bool aperto = !m_elenco->isVisible();
        m_elenco->setVisible(aperto);
        m_intestazione->setText(testoIntestazione(aperto));
    });
    hide();
}

void GruppoPreferiti::imposta(const std::vector<Voce>& voci)
{
    for (QToolButton* p : m_pulsanti)
        p->deleteLater();
    m_pulsanti.clear();
    m_voci = voci;
    for (int i = 0; i < static_cast<int>(m_voci.size()); ++i) {
        const Voce& v = m_voci.at(static_cast<std::size_t>(i));
        auto* p = new QToolButton(m_elenco);
        p->setObjectName(QStringLiteral("Preferito%1").arg(i + 1));
        p->setText(v.didascalia);
        p->setToolTip(v.percorso);
        p->setAutoRaise(true);
        p->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        p->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        p->setStyleSheet(QStringLiteral("QToolButton { text-align: left; padding: 2px; }"));
        if (const QPixmap* immagine = navbar::picture(m_immagini, v.immagine))
            p->setIcon(QIcon(*immagine));
        p->setIconSize(QSize(16, 16));
        p->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(p, &QToolButton::clicked, this, [this, i] {
            // Copied first: the item may rebuild this group.
            const Voce v = m_voci.at(static_cast<std::size_t>(i));
            emit voceScelta(v.programma, v.menu, v.modo);
        });
        connect(p, &QWidget::customContextMenuRequested, this,
                [this, i, p](const QPoint& dove) { menuContestuale(i, p->mapToGlobal(dove)); });
        m_layoutElenco->addWidget(p);
        m_pulsanti.push_back(p);
    }
    setVisible(!m_voci.empty());
}

void GruppoPreferiti::menuContestuale(int i, const QPoint& dove)
{
    if (i < 0 || i >= numeroVoci())
        return;
    const Voce v = m_voci.at(static_cast<std::size_t>(i));
    QMenu menu(this);
    QAction* rimuovi = menu.addAction(QStringLiteral("Rimuovi dai preferiti"));
    if (menu.exec(dove) == rimuovi)
        emit rimozioneRichiesta(v.programma, v.menu);
}

} // namespace velkora
