#include "principale.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QTimer>
#include <QVBoxLayout>

#include "avvisi.h"
#include "catena.h"
#include "cattura.h"
#include "comandi.h"
#include "curve.h"
#include "finestra_disinstalla.h"
#include "flusso.h"
#include "macchina.h"
#include "metri.h"
#include "pannello.h"
#include "tema.h"

#ifndef VELMORA_VERSIONE
#define VELMORA_VERSIONE "v0"
#endif
#ifndef VELMORA_COSTRUITO
#define VELMORA_COSTRUITO ""
#endif

namespace velmora {

namespace {

QLabel* testo(const QString& t, const QFont& f, const QColor& c, QWidget* genitore) {
    auto* l = new QLabel(t, genitore);
    l->setFont(f);
    l->setStyleSheet(QStringLiteral("color:%1;background:transparent;").arg(c.name()));
    return l;
}

QPushButton* bottone(QWidget* genitore, bool commutabile = false) {
    auto* b = new QPushButton(genitore);
    b->setCursor(Qt::PointingHandCursor);
    b->setCheckable(commutabile);
    b->setFont(tema::carattere(9.5, false, QFont::DemiBold));
    return b;
}

// A button with a tint of its own (the header's big buttons).
void tingi(QPushButton* b, const QColor& c) {
    b->setStyleSheet(QStringLiteral("QPushButton{color:%1;background:%2;border:1px solid %3;"
                                    "border-radius:6px;padding:5px 14px;font-weight:bold;}"
                                    "QPushButton:hover{background:%4;}")
                         .arg(tema::inchio().name(), tema::alfa(c, 0.35).name(QColor::HexArgb),
                              c.name(), tema::alfa(c, 0.55).name(QColor::HexArgb)));
}

QString foglioDiStile() {
    return QStringLiteral(
               "QWidget#principale{background:%1;}"
               "QPushButton{color:%2;background:%3;border:1px solid %4;border-radius:5px;"
               "padding:3px 9px;}"
               "QPushButton:hover{border-color:%5;}"
               "QPushButton:checked{background:%6;border-color:%5;color:%2;}"
               "QComboBox{color:%2;background:%3;border:1px solid %4;border-radius:5px;"
               "padding:2px 8px;}"
               "QComboBox QAbstractItemView{color:%2;background:%3;selection-background-color:%6;}"
               "QScrollArea{background:transparent;border:none;}"
               "QScrollBar:vertical{background:%1;width:10px;}"
               "QScrollBar::handle:vertical{background:%4;border-radius:4px;min-height:30px;}"
               "QScrollBar::add-line,QScrollBar::sub-line{height:0;}"
               "QToolTip{color:%2;background:%7;border:1px solid %4;}")
        .arg(tema::fondo().name(), tema::inchio().name(), tema::alzato().name(),
             tema::bordo().name(), tema::blu().name(),
             tema::alfa(tema::blu(), 0.35).name(QColor::HexArgb), tema::pannello().name());
}

}  // namespace

// ---- Toccati ----

Toccati::Toccati(Macchina& m, QWidget* genitore) : QFrame(genitore, Qt::Popup), m_(m) {
    setObjectName(QStringLiteral("toccati"));
    setStyleSheet(QStringLiteral("QFrame#toccati{background:%1;border:1px solid %2;"
                                 "border-radius:6px;}")
                      .arg(tema::pannello().name(), tema::bordo().name()));
    l_ = new QVBoxLayout(this);
    l_->setContentsMargins(12, 10, 12, 10);
    l_->setSpacing(5);
    // Rebuilt while shown, at most once per turn of the event loop (a macro knob moves several
    // values at once).
    const auto presto = [this] {
        if (!isVisible() || inAttesa_) return;
        inAttesa_ = true;
        QTimer::singleShot(0, this, [this] {
            inAttesa_ = false;
            ricostruisci();
        });
    };
    connect(&m_, &Macchina::revisioneTocchiCambiata, this, presto);
    connect(&m_, &Macchina::revisioneCambiata, this, presto);
    connect(&m_, &Macchina::italianoCambiato, this, presto);
    ricostruisci();
}

QStringList Toccati::chiavi() const {
    return chiavi_;
}
QString Toccati::titolo() const {
    return titolo_;
}

void Toccati::ricostruisci() {
    while (QLayoutItem* i = l_->takeAt(0)) {
        if (QWidget* w = i->widget()) {
            w->hide();
            w->deleteLater();
        }
        delete i;
    }
    const auto lista = m_.toccati();
    chiavi_.clear();
    if (lista.empty()) {
        titolo_ = lingua(m_, "Nothing changed", "Non hai toccato niente");
        l_->addWidget(
            testo(titolo_, tema::carattere(11, false, QFont::Bold), tema::inchio(), this));
        l_->addWidget(testo(lingua(m_, "Everything is where the preset left it.",
                                   "Tutti i comandi stanno dove il preset li ha lasciati."),
                            tema::carattere(9.5), tema::tenue(), this));
    } else {
        titolo_ =
            lingua(m_, "Changed from « ", "Diverso da « ") + m_.nomePreset() + QStringLiteral(" »");
        l_->addWidget(
            testo(titolo_, tema::carattere(11, false, QFont::Bold), tema::inchio(), this));
        auto* tutti = bottone(this);
        tutti->setObjectName(QStringLiteral("rimettiTutto"));
        tutti->setText(lingua(m_, "reset all", "rimetti tutto"));
        connect(tutti, &QPushButton::clicked, this, [this] { m_.rimettiTutto(); });
        l_->addWidget(tutti, 0, Qt::AlignLeft);
        for (const Toccato& t : lista) {
            const QString k = QString::fromStdString(t.comando->id);
            chiavi_ << k;
            auto* r = new QWidget(this);
            auto* h = new QHBoxLayout(r);
            h->setContentsMargins(0, 0, 0, 0);
            h->setSpacing(10);
            auto* nome = testo(qs(t.comando->nomeIn(m_.italiano())), tema::carattere(9.5),
                               tema::inchio(), r);
            nome->setMinimumWidth(200);
            h->addWidget(nome);
            h->addWidget(testo(qs(mostraValore(t.partenza, t.comando->unita)),
                               tema::carattere(9, true), tema::tenue(), r));
            h->addWidget(testo(QStringLiteral("→"), tema::carattere(9), tema::tenue(), r));
            h->addWidget(testo(qs(mostraValore(t.adesso, t.comando->unita)),
                               tema::carattere(9, true), tema::giallo(), r));
            h->addStretch(1);
            auto* indietro = bottone(r);
            indietro->setObjectName(QStringLiteral("rimetti_") + k);
            indietro->setText(lingua(m_, "undo", "rimetti"));
            connect(indietro, &QPushButton::clicked, this,
                    [this, id = t.comando->id] { m_.rimetti(id); });
            h->addWidget(indietro);
            l_->addWidget(r);
        }
    }
    adjustSize();
}

// ---- VistaPrincipale ----

VistaPrincipale::VistaPrincipale(Macchina& m, QSettings* impostazioni, QWidget* genitore)
    : QWidget(genitore), m_(m), impostazioni_(impostazioni) {
    setObjectName(QStringLiteral("principale"));
    setAttribute(Qt::WA_StyledBackground);
    setWindowTitle(QStringLiteral("Velmora"));
    setMinimumSize(1040, 700);
    setStyleSheet(foglioDiStile());
    stato_ = new StatoCatena(impostazioni_, this);

    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(0);
    l->addWidget(costruisciTestata());
    l->addWidget(costruisciBarra());

    auto* avvisi = new QWidget(this);
    auto* la = new QVBoxLayout(avvisi);
    la->setContentsMargins(12, 6, 12, 0);
    la->setSpacing(6);
    controllo_ = new Controllo(m_, avvisi);
    allarme_ = new Avviso(avvisi);
    allarme_->setObjectName(QStringLiteral("allarme"));
    messaggio_ = new Avviso(avvisi);
    messaggio_->setObjectName(QStringLiteral("messaggio"));
    la->addWidget(controllo_);
    la->addWidget(allarme_);
    la->addWidget(messaggio_);
    l->addWidget(avvisi);

    auto* corpo = new QHBoxLayout;
    corpo->setContentsMargins(8, 8, 8, 6);
    corpo->setSpacing(8);
    corpo->addWidget(new Metro(QStringLiteral("IN"), true, m_, this));
    scorre_ = new QScrollArea(this);
    scorre_->setWidgetResizable(true);
    scorre_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* dentro = new QWidget(scorre_);
    dentro->setObjectName(QStringLiteral("dentro"));
    dentro->setStyleSheet(
        QStringLiteral("QWidget#dentro{background:%1;}").arg(tema::fondo().name()));
    auto* ld = new QVBoxLayout(dentro);
    ld->setContentsMargins(0, 0, 6, 0);
    ld->setSpacing(10);
    pannello_ = new PannelloOstrel(m_, dentro);
    pannello_->setVisible(false);
    ld->addWidget(pannello_);
    ld->addWidget(new CurveBande(m_, dentro));
    catena_ = new Catena(m_, *stato_, dentro);
    ld->addWidget(catena_);
    ld->addStretch(1);
    scorre_->setWidget(dentro);
    corpo->addWidget(scorre_, 1);
    corpo->addWidget(new Metro(QStringLiteral("OUT"), false, m_, this));
    l->addLayout(corpo, 1);
    l->addWidget(costruisciPiede());

    connect(&m_, &Macchina::italianoCambiato, this, &VistaPrincipale::rifaiTesti);
    connect(&m_, &Macchina::accesaCambiata, this, &VistaPrincipale::rifaiStato);
    connect(&m_, &Macchina::controlloCambiato, this, &VistaPrincipale::rifaiAvvisi);
    connect(&m_, &Macchina::allarmeCambiato, this, &VistaPrincipale::rifaiAvvisi);
    connect(&m_, &Macchina::messaggioCambiato, this, &VistaPrincipale::rifaiAvvisi);
    connect(&m_, &Macchina::usciteCambiate, this, &VistaPrincipale::rifaiUscite);
    connect(&m_, &Macchina::uscitaSceltaCambiata, this, &VistaPrincipale::rifaiUscite);
    connect(&m_, &Macchina::nomePresetCambiato, this, [this] {
        preset_->setText(m_.nomePreset());
        rifaiPiede();
    });
    connect(&m_, &Macchina::suggerimentoCambiato, this, &VistaPrincipale::rifaiPiede);
    connect(&m_, &Macchina::revisioneCambiata, this, &VistaPrincipale::rifaiModo);
    // The same two keys have faders of their own among every control.
    connect(&Eco::di(m_), &Eco::mosso, this, [this](const QString& k) {
        if (k == QLatin1String("x_radio") || k == QLatin1String("m_pend")) rifaiModo();
    });
    connect(&m_, &Macchina::lavoraCambiata, this, [this] { lavora_->rinfresca(); });
    const auto toccati = [this] {
        if (toccatiInAttesa_) return;
        toccatiInAttesa_ = true;
        QTimer::singleShot(0, this, [this] {
            toccatiInAttesa_ = false;
            rifaiToccati();
        });
    };
    connect(&m_, &Macchina::revisioneTocchiCambiata, this, toccati);
    connect(&m_, &Macchina::revisioneCambiata, this, toccati);
    connect(&Eco::di(m_), &Eco::mosso, this, toccati);

    // While something is missing and nothing runs, look again now and then, so that an audio
    // server or an output that appears is noticed without a click.
    auto* ricontrollo = new QTimer(this);
    ricontrollo->setInterval(4000);
    connect(ricontrollo, &QTimer::timeout, this, [this] {
        if (!m_.tuttoBene() && !m_.accesa() && isVisible()) m_.controlla();
    });
    ricontrollo->start();

    rifaiUscite();
    rifaiTesti();
    rifaiStato();
    rifaiAvvisi();
    rifaiModo();
    rifaiToccati();
}

QWidget* VistaPrincipale::costruisciTestata() {
    auto* t = new QWidget(this);
    t->setObjectName(QStringLiteral("testata"));
    t->setAttribute(Qt::WA_StyledBackground);
    t->setStyleSheet(QStringLiteral("QWidget#testata{background:%1;border-bottom:1px solid %2;}")
                         .arg(tema::pannello().name(), tema::riga().name()));
    auto* h = new QHBoxLayout(t);
    h->setContentsMargins(14, 8, 14, 8);
    h->setSpacing(12);
    auto* nome = new QVBoxLayout;
    nome->setSpacing(1);
    auto* riga1 = new QHBoxLayout;
    riga1->setSpacing(6);
    riga1->addWidget(
        testo(QStringLiteral("VELMORA"), tema::spaziato(15, QFont::Black), tema::inchio(), t));
    auto* live =
        testo(QStringLiteral("LIVE"), tema::carattere(8, true, QFont::Bold), tema::fondo(), t);
    live->setStyleSheet(QStringLiteral("color:%1;background:%2;border-radius:3px;padding:1px 4px;")
                            .arg(tema::fondo().name(), tema::verde().name()));
    riga1->addWidget(live);
    riga1->addWidget(testo(QStringLiteral(VELMORA_VERSIONE "  " VELMORA_COSTRUITO),
                           tema::carattere(8.5, true), tema::tenue(), t));
    riga1->addStretch(1);
    nome->addLayout(riga1);
    stato_lbl_ = testo({}, tema::carattere(10, true), tema::tenue(), t);
    stato_lbl_->setObjectName(QStringLiteral("statoTestata"));
    nome->addWidget(stato_lbl_);
    h->addLayout(nome);
    h->addStretch(1);

    auto* uscita = new QVBoxLayout;
    uscita->setSpacing(2);
    uscite_ = new QComboBox(t);
    uscite_->setObjectName(QStringLiteral("uscite"));
    uscite_->setMinimumWidth(260);
    uscite_->setFont(tema::carattere(9.5));
    connect(uscite_, &QComboBox::activated, this, [this](int i) {
        m_.mettiUscitaScelta(i);
        m_.ricordaUscita();
    });
    suonaSu_ = testo({}, tema::carattere(9), tema::tenue(), t);
    uscita->addWidget(uscite_);
    uscita->addWidget(suonaSu_);
    h->addLayout(uscita);

    tonoBtn_ = bottone(t);
    tonoBtn_->setObjectName(QStringLiteral("tono"));
    connect(tonoBtn_, &QPushButton::clicked, this, [this] {
        tono_ = !tono_;
        cattura_tono(tono_);
        rifaiStato();
    });
    accendi_ = bottone(t);
    accendi_->setObjectName(QStringLiteral("accendi"));
    accendi_->setMinimumWidth(110);
    connect(accendi_, &QPushButton::clicked, this, [this] {
        if (m_.accesa())
            m_.spegni();
        else
            m_.accendi();
    });
    lavora_ = new Interruttore(
        m_, [this] { return lingua(m_, "processing", "lavora"); }, [this] { return m_.lavora(); },
        [this](bool v) { m_.mettiLavora(v); },
        [this] {
            return lingua(
                m_,
                "Off, you hear it without Velmora, but AT THE CHAIN'S LOUDNESS: the clean signal "
                "is raised or lowered by as much as the machine would have. With a difference in "
                "loudness you cannot judge: louder always seems better, even when it is worse.",
                "Spegnendolo senti com'e' senza Velmora, ma AL VOLUME DELLA CATENA: il segnale "
                "pulito viene alzato o abbassato di quanto avrebbe fatto la macchina. Con una "
                "differenza di volume non si giudica: piu' forte sembra sempre meglio, anche "
                "quando e' peggio.");
        },
        tema::verde(), t);
    h->addWidget(tonoBtn_);
    h->addWidget(accendi_);
    h->addWidget(lavora_);
    return t;
}

QWidget* VistaPrincipale::costruisciBarra() {
    auto* b = new QWidget(this);
    b->setObjectName(QStringLiteral("barra"));
    b->setAttribute(Qt::WA_StyledBackground);
    b->setStyleSheet(QStringLiteral("QWidget#barra{background:%1;border-bottom:1px solid %2;}")
                         .arg(tema::alzato().name(), tema::riga().name()));
    auto* h = new Flusso(b, 14);
    h->setContentsMargins(12, 5, 12, 5);

    lumeric_ = bottone(b, true);
    lumeric_->setObjectName(QStringLiteral("lumeric"));
    connect(lumeric_, &QPushButton::clicked, this, [this] { mettiMostraLumeric(!mostraLumeric_); });
    conAiuto(lumeric_, m_, [this] {
        return lingua(m_, "Lumeric is not a stage: it is the real machine's dashboard.",
                      "Lumeric non e' uno stadio e non si accende: e' il cruscotto della macchina "
                      "vera. Ogni sua manopola scrive dentro EQ, AGC, BANDE o FINALE — sono "
                      "quelli che si accendono.");
    });
    tutto_ = bottone(b, true);
    tutto_->setObjectName(QStringLiteral("tutto"));
    connect(tutto_, &QPushButton::toggled, this, [this](bool si) { stato_->mettiTutto(si); });
    conAiuto(tutto_, m_, [this] {
        return lingua(m_,
                      "By default only the controls you actually touch. This opens all of them.",
                      "Di partenza si vedono solo i comandi che si toccano davvero. Questo apre "
                      "tutti e ottantatre.");
    });
    preset_ = testo(m_.nomePreset(), tema::carattere(10, true, QFont::DemiBold), tema::giallo(), b);
    preset_->setObjectName(QStringLiteral("nomePreset"));

    ascolto_ = bottone(b, true);
    ascolto_->setObjectName(QStringLiteral("ascolto"));
    radio_ = bottone(b, true);
    radio_->setObjectName(QStringLiteral("radio"));
    auto* modo = new QButtonGroup(b);
    modo->addButton(ascolto_);
    modo->addButton(radio_);
    connect(ascolto_, &QPushButton::clicked, this, [this] { mettiRadio(false); });
    connect(radio_, &QPushButton::clicked, this, [this] { mettiRadio(true); });
    for (QPushButton* x : {ascolto_, radio_})
        conAiuto(x, m_, [this] {
            return lingua(m_, "LISTEN: no clipping. BROADCAST: the whole machine, for actual FM.",
                          "ASCOLTO: senza tosatura, limitatore di sicurezza e anticipo. Sono gli "
                          "stadi che sull'Tervane servono a stare sotto il tetto di modulazione "
                          "FM: in cuffia quel tetto non c'e', e quegli stadi costano solo "
                          "distorsione e cime del basso spianate (misurato: da 13.1 a 2.4, "
                          "l'Tervane sta a 22.3). RADIO: la macchina intera, per chi trasmette "
                          "davvero.");
        });

    pendTitolo_ = testo({}, tema::spaziato(7.5, QFont::Bold), tema::tenue(), b);
    p24_ = bottone(b, true);
    p48_ = bottone(b, true);
    p24_->setText(QStringLiteral("24"));
    p48_->setText(QStringLiteral("48"));
    auto* pend = new QButtonGroup(b);
    pend->addButton(p24_);
    pend->addButton(p48_);
    connect(p24_, &QPushButton::clicked, this, [this] { m_.sincronizza("m_pend", 24); });
    connect(p48_, &QPushButton::clicked, this, [this] { m_.sincronizza("m_pend", 48); });
    pendNota_ = testo({}, tema::carattere(8), tema::tenue(), b);

    toccatiBtn_ = bottone(b);
    toccatiBtn_->setObjectName(QStringLiteral("toccati"));
    connect(toccatiBtn_, &QPushButton::clicked, this, [this] { apriToccati(); });
    conAiuto(toccatiBtn_, m_, [this] {
        return lingua(m_, "What is no longer where the preset left it.",
                      "Cosa non sta piu' dove il preset l'aveva lasciato. Le manopole in cima ne "
                      "muovono parecchi alla volta: qui si vede quali.");
    });
    riparti_ = bottone(b);
    connect(riparti_, &QPushButton::clicked, this, [this] { m_.tornaAllaPartenza(); });
    conAiuto(riparti_, m_, [this] {
        return lingua(m_, "Back to the stock Ostrel, copied from a real machine's panel.",
                      "Rimette l'Ostrel di partenza, quello copiato dal pannello della macchina "
                      "vera. Serve quando ti sei perso: non devi ricordare da dove eri partito.");
    });
    caricaBtn_ = bottone(b);
    connect(caricaBtn_, &QPushButton::clicked, this, &VistaPrincipale::carica);
    salvaBtn_ = bottone(b);
    connect(salvaBtn_, &QPushButton::clicked, this, &VistaPrincipale::salva);
    disinstallaBtn_ = bottone(b);
    connect(disinstallaBtn_, &QPushButton::clicked, this, &VistaPrincipale::disinstalla);
    linguaBtn_ = bottone(b);
    linguaBtn_->setObjectName(QStringLiteral("lingua"));
    connect(linguaBtn_, &QPushButton::clicked, this, [this] { m_.mettiItaliano(!m_.italiano()); });

    // The toolbar wraps onto a second row when the window is narrow.
    const auto gruppo = [b](std::initializer_list<QWidget*> voci, int spazio = 4) {
        auto* g = new QWidget(b);
        auto* gl = new QHBoxLayout(g);
        gl->setContentsMargins(0, 0, 0, 0);
        gl->setSpacing(spazio);
        for (QWidget* w : voci) {
            w->setParent(g);
            gl->addWidget(w);
        }
        return g;
    };
    auto* pendenza = new QWidget(b);
    auto* pv = new QVBoxLayout(pendenza);
    pv->setContentsMargins(0, 0, 0, 0);
    pv->setSpacing(0);
    pv->addWidget(pendTitolo_);
    pv->addWidget(pendNota_);
    h->addWidget(gruppo({lumeric_, tutto_}));
    h->addWidget(gruppo({preset_}));
    h->addWidget(gruppo({ascolto_, radio_}));
    h->addWidget(gruppo({pendenza, p24_, p48_}));
    h->addWidget(gruppo({toccatiBtn_, riparti_, caricaBtn_, salvaBtn_}));
    h->addWidget(gruppo({disinstallaBtn_, linguaBtn_}));
    return b;
}

QWidget* VistaPrincipale::costruisciPiede() {
    auto* p = new QWidget(this);
    p->setObjectName(QStringLiteral("piede"));
    p->setAttribute(Qt::WA_StyledBackground);
    p->setStyleSheet(QStringLiteral("QWidget#piede{background:%1;border-top:1px solid %2;}")
                         .arg(tema::pannello().name(), tema::riga().name()));
    p->setFixedHeight(34);
    auto* h = new QHBoxLayout(p);
    h->setContentsMargins(12, 2, 12, 2);
    h->setSpacing(6);
    aiuto_ = new QLabel(p);
    aiuto_->setObjectName(QStringLiteral("aiuto"));
    aiuto_->setFont(tema::carattere(9, true));
    aiuto_->setWordWrap(true);
    aiuto_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    h->addWidget(aiuto_, 1);
    for (const Suono& s : Macchina::treSuoni()) {
        auto* b = bottone(p, true);
        b->setObjectName(QStringLiteral("suono_") + s.file);
        const QString file = s.file;
        connect(b, &QPushButton::clicked, this, [this, file] {
            m_.caricaDalPacchetto(file);
            rifaiPiede();
        });
        suoni_ << b;
        h->addWidget(b);
    }
    return p;
}

void VistaPrincipale::rifaiTesti() {
    const bool it = m_.italiano();
    lumeric_->setText(mostraLumeric_ ? lingua(m_, "hide Lumeric", "nascondi Lumeric")
                                     : lingua(m_, "show Lumeric", "mostra Lumeric"));
    tutto_->setText(lingua(m_, "every control", "tutti i comandi"));
    ascolto_->setText(lingua(m_, "LISTEN", "ASCOLTO"));
    radio_->setText(lingua(m_, "BROADCAST", "RADIO"));
    pendTitolo_->setText(lingua(m_, "CROSSOVER SLOPE", "PENDENZA INCROCI"));
    pendNota_->setText(lingua(m_, "48 separates · 24 blends", "48 separa · 24 fonde"));
    riparti_->setText(lingua(m_, "reset", "riparti"));
    caricaBtn_->setText(lingua(m_, "load", "carica"));
    salvaBtn_->setText(lingua(m_, "save", "salva"));
    disinstallaBtn_->setText(lingua(m_, "uninstall", "disinstalla"));
    linguaBtn_->setText(it ? QStringLiteral("English") : QStringLiteral("Italiano"));
    const auto& tre = Macchina::treSuoni();
    for (qsizetype i = 0; i < suoni_.size(); ++i) {
        const Suono& s = tre[static_cast<std::size_t>(i)];
        suoni_[i]->setText(it ? s.nome : s.nomeEn);
        suoni_[i]->setToolTip(it ? s.detta : s.dettaEn);
    }
    rifaiStato();
    rifaiToccati();
    rifaiPiede();
}

void VistaPrincipale::rifaiStato() {
    const bool accesa = m_.accesa();
    // The header's status words are Italian in both languages.
    stato_lbl_->setText(accesa ? QStringLiteral("dal sistema, in funzione")
                               : QStringLiteral("fermo"));
    stato_lbl_->setStyleSheet(QStringLiteral("color:%1;background:transparent;")
                                  .arg((accesa ? tema::verde() : tema::tenue()).name()));
    accendi_->setText(accesa ? lingua(m_, "STOP", "FERMA") : lingua(m_, "START", "ACCENDI"));
    tingi(accendi_, accesa ? tema::rosso() : tema::verde());
    tonoBtn_->setText(tono_ ? lingua(m_, "STOP THE TONE", "FERMA IL TONO")
                            : lingua(m_, "TEST TONE", "TONO DI PROVA"));
    tingi(tonoBtn_, tono_ ? tema::rosso() : tema::giallo());
    const char* inUso = cattura_uscita_in_uso();
    suonaSu_->setText(QStringLiteral("suona su: ") +
                      QString::fromUtf8(inUso != nullptr ? inUso : ""));
}

void VistaPrincipale::rifaiAvvisi() {
    controllo_->setVisible(!m_.tuttoBene());
    allarme_->mostra(m_.allarme(), true);
    allarme_->setVisible(!m_.allarme().isEmpty());
    messaggio_->mostra(m_.messaggio(), false);
    messaggio_->setVisible(!m_.messaggio().isEmpty());
}

void VistaPrincipale::rifaiUscite() {
    const QSignalBlocker blocca(uscite_);
    QStringList nomi = m_.uscite();
    if (uscite_->count() != nomi.size() || [&] {
            for (int i = 0; i < nomi.size(); ++i)
                if (uscite_->itemText(i) != nomi[i]) return true;
            return false;
        }()) {
        uscite_->clear();
        uscite_->addItems(nomi);
    }
    if (m_.uscitaScelta() >= 0 && m_.uscitaScelta() < uscite_->count())
        uscite_->setCurrentIndex(m_.uscitaScelta());
    uscite_->setEnabled(!nomi.isEmpty());
    rifaiStato();
}

void VistaPrincipale::rifaiModo() {
    const bool radio = m_.valore("x_radio") > 0.5;
    ascolto_->setChecked(!radio);
    radio_->setChecked(radio);
    const bool p48 = m_.valore("m_pend") > 36;
    p24_->setChecked(!p48);
    p48_->setChecked(p48);
}

void VistaPrincipale::rifaiToccati() {
    const auto n = m_.toccati().size();
    toccatiBtn_->setText(n == 0 ? lingua(m_, "untouched", "intatto")
                                : QString::number(n) + lingua(m_, " changed", " toccati"));
}

void VistaPrincipale::rifaiPiede() {
    QString s = m_.suggerimento();
    if (s.isEmpty()) {
        piede_.clear();
        aiuto_->setText(lingua(m_, "Hover a control to see what it does.",
                               "Passa sopra un comando per sapere cosa fa."));
        aiuto_->setStyleSheet(
            QStringLiteral("color:%1;background:transparent;").arg(tema::tenue().name()));
    } else {
        s.replace(QStringLiteral("\n\n"), QStringLiteral("  "))
            .replace(QLatin1Char('\n'), QLatin1Char(' '));
        piede_ = s;
        // Two lines at most: a longer text ends in an ellipsis.
        const QFontMetrics fm(aiuto_->font());
        aiuto_->setText(fm.elidedText(s, Qt::ElideRight, std::max(aiuto_->width(), 200) * 2 - 60));
        aiuto_->setStyleSheet(
            QStringLiteral("color:%1;background:transparent;").arg(tema::inchio().name()));
    }
    const auto& tre = Macchina::treSuoni();
    for (qsizetype i = 0; i < suoni_.size(); ++i)
        suoni_[i]->setChecked(tre[static_cast<std::size_t>(i)].file == m_.nomePreset());
}

void VistaPrincipale::mettiMostraLumeric(bool si) {
    mostraLumeric_ = si;
    pannello_->setVisible(si);
    lumeric_->setChecked(si);
    rifaiTesti();
}

void VistaPrincipale::mettiTutto(bool si) {
    tutto_->setChecked(si);
}

void VistaPrincipale::mettiRadio(bool radio) {
    m_.sincronizza("x_radio", radio ? 1.0 : 0.0);
    rifaiModo();
}

QString VistaPrincipale::testoToccati() const {
    return toccatiBtn_->text();
}

QString VistaPrincipale::piede() const {
    return aiuto_->text();
}

Toccati* VistaPrincipale::apriToccati() {
    if (!toccati_) toccati_ = new Toccati(m_, this);
    toccati_->ricostruisci();
    toccati_->move(toccatiBtn_->mapToGlobal(QPoint(0, toccatiBtn_->height() + 2)));
    toccati_->show();
    return toccati_;
}

void VistaPrincipale::carica() {
    const QString f =
        QFileDialog::getOpenFileName(this, lingua(m_, "Load a preset", "Carica un preset"),
                                     m_.cartellaLavoro(), QStringLiteral("JSON (*.json)"));
    if (!f.isEmpty()) m_.carica(f);
}

void VistaPrincipale::salva() {
    QString f =
        QFileDialog::getSaveFileName(this, lingua(m_, "Save the preset", "Salva il preset"),
                                     m_.cartellaLavoro() + QLatin1Char('/') + m_.nomeProposto(),
                                     QStringLiteral("JSON (*.json)"));
    if (f.isEmpty()) return;
    if (!f.endsWith(QLatin1String(".json"), Qt::CaseInsensitive)) f += QStringLiteral(".json");
    m_.salvaPreset(f);
}

void VistaPrincipale::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (!piede_.isEmpty()) rifaiPiede();
}

void VistaPrincipale::closeEvent(QCloseEvent* e) {
    if (toccati_) toccati_->hide();
    mettiMostraLumeric(false);
    mettiTutto(false);
    QWidget::closeEvent(e);
}

void VistaPrincipale::disinstalla() {
    if (apriDisinstalla_) {
        apriDisinstalla_();
        return;
    }
    auto* f = new FinestraDisinstalla(m_, this);
    f->setAttribute(Qt::WA_DeleteOnClose);
    f->open();
}

}  // namespace velmora
