#include "catena.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QVBoxLayout>
#include <map>

#include "banco.h"
#include "catalogo.h"
#include "comandi.h"
#include "curve.h"
#include "flusso.h"
#include "macchina.h"
#include "tema.h"

namespace velmora {

namespace {

QString stile(const QColor& c) {
    return QStringLiteral("color:%1;background:transparent;").arg(c.name());
}

QString stileBottone() {
    return QStringLiteral(
               "QPushButton{color:%1;background:%2;border:1px solid %3;border-radius:4px;"
               "padding:2px 8px;}QPushButton:hover{border-color:%4;}")
        .arg(tema::tenue().name(), tema::alzato().name(), tema::bordo().name(), tema::blu().name());
}

}  // namespace

// ---- StatoCatena ----

StatoCatena::StatoCatena(QSettings* impostazioni, QObject* genitore)
    : QObject(genitore), impostazioni_(impostazioni) {
    if (impostazioni_)
        mostraSpenti_ = impostazioni_->value(QStringLiteral("mostraSpenti"), false).toBool();
}

void StatoCatena::mettiTutto(bool si) {
    if (si == tutto_) return;
    tutto_ = si;
    emit cambiato();
}

void StatoCatena::mettiMostraSpenti(bool si) {
    if (si == mostraSpenti_) return;
    mostraSpenti_ = si;
    if (impostazioni_) impostazioni_->setValue(QStringLiteral("mostraSpenti"), si);
    emit cambiato();
}

// ---- GruppoComandi ----

GruppoComandi::GruppoComandi(Macchina& m, StatoCatena& stato, std::string sezione, QString nomeEn,
                             QString nomeIt, QColor colore, std::function<bool()> acceso,
                             QWidget* genitore)
    : QWidget(genitore),
      m_(m),
      stato_(stato),
      sezione_(std::move(sezione)),
      nomeEn_(std::move(nomeEn)),
      nomeIt_(std::move(nomeIt)),
      colore_(colore),
      acceso_(std::move(acceso)) {
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(4);
    testa_ = new QLabel(this);
    testa_->setFont(tema::spaziato(8.5, QFont::Bold));
    l->addWidget(testa_);
    testa_->setVisible(!nomeEn_.isEmpty());
    griglia_ = new QWidget(this);
    flusso_ = new Flusso(griglia_, 2);
    l->addWidget(griglia_);
    auto* sotto = new QHBoxLayout;
    sotto->setSpacing(8);
    riga_ = new QLabel(this);
    riga_->setFont(tema::carattere(9, true));
    riga_->setStyleSheet(stile(tema::tenue()));
    riga_->setWordWrap(true);
    mostra_ = new QPushButton(this);
    mostra_->setObjectName(QStringLiteral("mostraSpenti"));
    mostra_->setFont(tema::carattere(9, true));
    mostra_->setStyleSheet(stileBottone());
    mostra_->setCursor(Qt::PointingHandCursor);
    connect(mostra_, &QPushButton::clicked, this,
            [this] { stato_.mettiMostraSpenti(!stato_.mostraSpenti()); });
    sotto->addWidget(riga_, 1);
    sotto->addWidget(mostra_, 0, Qt::AlignTop);
    l->addLayout(sotto);

    connect(&m_, &Macchina::revisioneCambiata, this, &GruppoComandi::rivedi);
    connect(&Eco::di(m_), &Eco::mosso, this, &GruppoComandi::rivedi);
    connect(&stato_, &StatoCatena::cambiato, this, &GruppoComandi::aggiorna);
    connect(&m_, &Macchina::italianoCambiato, this, &GruppoComandi::rifaiTesti);
    for (auto segnale :
         {&Macchina::accEqCambiato, &Macchina::accAgcCambiato, &Macchina::accMbCambiato,
          &Macchina::accComCambiato, &Macchina::accBanCambiato, &Macchina::accMaxCambiato})
        connect(&m_, segnale, this, &GruppoComandi::rifaiTesti);
    aggiorna();
}

void GruppoComandi::mettiSezione(std::string sezione) {
    sezione_ = std::move(sezione);
    costruito_ = false;
    aggiorna();
}

QStringList GruppoComandi::chiavi() const {
    QStringList k;
    for (const Comando* c : mostrati_) k << QString::fromStdString(c->id);
    return k;
}

void GruppoComandi::rivedi() {
    if (inAttesa_) return;
    inAttesa_ = true;
    QTimer::singleShot(0, this, [this] {
        inAttesa_ = false;
        aggiorna();
    });
}

void GruppoComandi::aggiorna() {
    const Elenco e = elencaSezione(sezione_, stato_.tutto(), stato_.mostraSpenti(), m_);
    const bool uguali = costruito_ && e.comandi == mostrati_;
    const bool contoCambiato = e.nascosti != nascosti_;
    nascosti_ = e.nascosti;
    if (!uguali) {
        costruito_ = true;
        mostrati_ = e.comandi;
        // Widgets that stay are kept (one may be under a drag right now); the others go.
        std::map<std::string, QWidget*> vecchi;
        while (QLayoutItem* i = flusso_->takeAt(0)) {
            if (auto* v = qobject_cast<VistaComando*>(i->widget())) vecchi[v->comando().id] = v;
            delete i;
        }
        for (const Comando* c : mostrati_) {
            QWidget* w = nullptr;
            if (auto it = vecchi.find(c->id); it != vecchi.end()) {
                w = it->second;
                vecchi.erase(it);
            } else {
                w = new CursoreVerticale(*c, m_, colore_, 160, 74, griglia_);
            }
            flusso_->addWidget(w);
            w->show();
        }
        for (auto& [id, w] : vecchi) {
            w->hide();
            w->deleteLater();
        }
        flusso_->invalidate();
        griglia_->updateGeometry();
    }
    if (!uguali || contoCambiato) rifaiTesti();
}

void GruppoComandi::rifaiTesti() {
    const bool acceso = !acceso_ || acceso_();
    QString t = m_.italiano() ? nomeIt_ : nomeEn_;
    if (!acceso) t += QStringLiteral("  ·  SPENTO");
    testa_->setText(t);
    testa_->setStyleSheet(stile(acceso ? colore_ : tema::tenue()));
    const bool it = m_.italiano();
    riga_->setVisible(nascosti_ > 0);
    mostra_->setVisible(nascosti_ > 0 || stato_.mostraSpenti());
    riga_->setText(QString::number(nascosti_) +
                   (it ? QStringLiteral(" comandi nascosti: adesso non agiscono. In modo ASCOLTO "
                                        "tutta la tosatura e' ferma.")
                       : QStringLiteral(" controls hidden: inactive right now.")));
    if (stato_.mostraSpenti())
        mostra_->setText(it ? QStringLiteral("nascondi quelli spenti")
                            : QStringLiteral("hide inactive"));
    else
        mostra_->setText((it ? QStringLiteral("mostra anche quelli spenti (")
                             : QStringLiteral("show inactive (")) +
                         QString::number(nascosti_) + QStringLiteral(")"));
}

// ---- Scheda ----

Scheda::Scheda(Macchina& m, QSettings* impostazioni, QString chiaveAperta, QString titoloEn,
               QString titoloIt, QColor colore, int quanti, std::function<bool()> leggi,
               std::function<void(bool)> scrivi, QWidget* genitore)
    : QFrame(genitore),
      m_(m),
      impostazioni_(impostazioni),
      chiave_(std::move(chiaveAperta)),
      titoloEn_(std::move(titoloEn)),
      titoloIt_(std::move(titoloIt)),
      colore_(colore),
      quanti_(quanti),
      leggi_(leggi) {
    setObjectName(QStringLiteral("scheda"));
    setStyleSheet(
        QStringLiteral("QFrame#scheda{background:%1;border:1px solid %2;border-radius:8px;}")
            .arg(tema::pannello().name(), tema::bordo().name()));
    if (impostazioni_) aperta_ = impostazioni_->value(chiave_, true).toBool();
    l_ = new QVBoxLayout(this);
    l_->setContentsMargins(12, 8, 12, 10);
    l_->setSpacing(8);
    auto* testa = new QHBoxLayout;
    testa->setSpacing(8);
    freccia_ = new QPushButton(this);
    freccia_->setFlat(true);
    freccia_->setFixedSize(22, 22);
    freccia_->setCursor(Qt::PointingHandCursor);
    freccia_->setStyleSheet(
        QStringLiteral("QPushButton{color:%1;border:none;}").arg(tema::tenue().name()));
    connect(freccia_, &QPushButton::clicked, this, [this] { mettiAperta(!aperta_); });
    titolo_ = new QLabel(this);
    titolo_->setFont(tema::spaziato(10.5, QFont::Bold));
    spento_ = new QLabel(QStringLiteral("SPENTO"), this);
    spento_->setFont(tema::spaziato(8.5, QFont::Bold));
    spento_->setStyleSheet(stile(tema::rosso()));
    interruttore_ = new Interruttore(
        m_, [] { return QString(); }, leggi, std::move(scrivi),
        [this] {
            return lingua(m_, "Switches this stage on or off.", "Accende o spegne questo stadio.");
        },
        colore_, this);
    testa->addWidget(freccia_);
    testa->addWidget(titolo_);
    testa->addWidget(spento_);
    testa->addStretch(1);
    testa->addWidget(interruttore_);
    l_->addLayout(testa);
    connect(&m_, &Macchina::italianoCambiato, this, &Scheda::rifaiTesta);
    for (auto segnale :
         {&Macchina::accEqCambiato, &Macchina::accAgcCambiato, &Macchina::accMbCambiato,
          &Macchina::accComCambiato, &Macchina::accBanCambiato, &Macchina::accMaxCambiato})
        connect(&m_, segnale, this, [this] {
            rifaiTesta();
            interruttore_->rinfresca();
        });
    rifaiTesta();
}

void Scheda::rifaiTesta() {
    QString t = m_.italiano() ? titoloIt_ : titoloEn_;
    if (quanti_ > 0) t += QStringLiteral("   ") + QString::number(quanti_);
    titolo_->setText(t);
    const bool acceso = leggi_();
    titolo_->setStyleSheet(stile(acceso ? colore_ : tema::tenue()));
    spento_->setVisible(!acceso);
    freccia_->setText(aperta_ ? QStringLiteral("▾") : QStringLiteral("▸"));
}

void Scheda::mettiCorpo(QWidget* corpo) {
    corpo_ = corpo;
    l_->addWidget(corpo_);
    corpo_->setVisible(aperta_);
}

void Scheda::mettiAperta(bool si) {
    aperta_ = si;
    if (impostazioni_) impostazioni_->setValue(chiave_, si);
    if (corpo_) corpo_->setVisible(si);
    rifaiTesta();
}

int Scheda::nascosti() const {
    int n = 0;
    for (const GruppoComandi* g : findChildren<GruppoComandi*>()) n += g->nascosti();
    return n;
}

// ---- Catena ----

int Catena::quanti(std::string_view sezione) {
    int n = 0;
    for (const Comando& c : COMANDI) n += c.sezione == sezione ? 1 : 0;
    return n;
}

Catena::Catena(Macchina& m, StatoCatena& stato, QWidget* genitore)
    : QWidget(genitore), m_(m), stato_(stato) {
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(10);
    QSettings* s = stato_.impostazioni();
    Macchina* mm = &m_;

    auto* eq = new Scheda(
        m_, s, QStringLiteral("apEq"), QStringLiteral("1 · EQ — FIRST IN LINE"),
        QStringLiteral("1 · EQ — DAVANTI A TUTTO"), tema::blu(), quanti("EQ"),
        [mm] { return mm->accEq(); }, [mm](bool v) { mm->mettiAccEq(v); }, this);
    eq->mettiCorpo(new PaginaEq(m_, eq));

    auto* agc = new Scheda(
        m_, s, QStringLiteral("apAgc"), QStringLiteral("2 · AGC — LEVELLER"),
        QStringLiteral("2 · AGC — IL LIVELLATORE"), tema::verde(), quanti("AGC"),
        [mm] { return mm->accAgc(); }, [mm](bool v) { mm->mettiAccAgc(v); }, this);
    agc->mettiCorpo(new GruppoComandi(
        m_, stato_, "AGC", {}, {}, tema::verde(), [mm] { return mm->accAgc(); }, agc));

    auto* inc = new Scheda(
        m_, s, QStringLiteral("apInc"), QStringLiteral("3 · CROSSOVERS — drag them"),
        QStringLiteral("3 · INCROCI — si trascinano col mouse"), tema::giallo(), 0,
        [mm] { return mm->accMb(); }, [mm](bool v) { mm->mettiAccMb(v); }, this);
    inc->mettiCorpo(new StrisciaIncroci(m_, inc));

    auto* tut = new Scheda(
        m_, s, QStringLiteral("apTut"), QStringLiteral("4 · ALL BANDS"),
        QStringLiteral("4 · VALE PER TUTTE LE BANDE"), tema::blu(), quanti("BANDE"),
        [mm] { return mm->accCom(); }, [mm](bool v) { mm->mettiAccCom(v); }, this);
    tut->mettiCorpo(new GruppoComandi(
        m_, stato_, "BANDE", {}, {}, tema::blu(), [mm] { return mm->accCom(); }, tut));

    auto* ban = new Scheda(
        m_, s, QStringLiteral("apBan"), QStringLiteral("5 · THE FIVE BANDS"),
        QStringLiteral("5 · LE CINQUE BANDE"), tema::banda(2), 0, [mm] { return mm->accBan(); },
        [mm](bool v) { mm->mettiAccBan(v); }, this);
    ban->mettiCorpo(new Banco(m_, stato_, ban));

    auto* clip = new Scheda(
        m_, s, QStringLiteral("apClip"), QStringLiteral("6 · CLIPPING & OUTPUT"),
        QStringLiteral("6 · CLIPPING E FINALE"), tema::rosso(),
        quanti("CLIPPING") + quanti("FINALE"), [mm] { return mm->accMax(); },
        [mm](bool v) { mm->mettiAccMax(v); }, this);
    auto* corpo6 = new QWidget(clip);
    auto* l6 = new QVBoxLayout(corpo6);
    l6->setContentsMargins(0, 0, 0, 0);
    l6->setSpacing(10);
    l6->addWidget(new GruppoComandi(
        m_, stato_, "CLIPPING", QStringLiteral("CLIPPING"), QStringLiteral("CLIPPING"),
        tema::rosso(), [mm] { return mm->accMax(); }, corpo6));
    l6->addWidget(new GruppoComandi(
        m_, stato_, "FINALE", QStringLiteral("OUTPUT"), QStringLiteral("FINALE"), tema::giallo(),
        [mm] { return mm->accMax(); }, corpo6));
    clip->mettiCorpo(corpo6);

    schede_ = {eq, agc, inc, tut, ban, clip};
    for (Scheda* sc : schede_) l->addWidget(sc);
}

}  // namespace velmora
