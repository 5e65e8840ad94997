#include "manopola.h"

#include "macchina.h"

namespace velmora {

namespace {

QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QString prefissoSuggerimento(const ComandoOstrel& k) {
    return qs(k.nome) + QStringLiteral(" — ");
}

}  // namespace

ManopolaOstrel::ManopolaOstrel(const ComandoOstrel& comando, Macchina& m) : k_(comando), m_(m) {
    rileggi();
}

void ManopolaOstrel::rileggi() {
    v_ = posizioneOstrel(k_, m_);
    revisioneVista_ = m_.revisione();
}

double ManopolaOstrel::posizione() {
    if (revisioneVista_ != m_.revisione()) rileggi();
    return v_;
}

bool ManopolaOstrel::trascina(double y, double altezza) {
    const auto nuovo = trascinaOstrel(k_, posizione(), y, altezza);
    if (!nuovo) return false;
    v_ = *nuovo;
    k_.scrive(*nuovo, m_);
    return true;
}

bool ManopolaOstrel::nelVerde() {
    return velmora::nelVerde(k_, posizione());
}

bool ManopolaOstrel::viva() const {
    if (k_.stadio == "EQ") return m_.accEq();
    if (k_.stadio == "AGC") return m_.accAgc();
    if (k_.stadio == "BANDE") return m_.accMb();
    if (k_.stadio == "FINALE") return m_.accMax();
    return true;
}

QString ManopolaOstrel::testoValore() {
    return QString::number(posizione(), 'f', 2) + qs(k_.unita);
}

QString ManopolaOstrel::etichetta() const {
    return viva() ? qs(k_.nome) : QString::fromStdString(etichettaSpento(k_, m_.italiano()));
}

QString ManopolaOstrel::aiuto() const {
    return viva() ? qs(k_.spiega) : QString::fromStdString(aiutoSpento(k_));
}

void ManopolaOstrel::entra() {
    m_.mettiSuggerimento(prefissoSuggerimento(k_) + qs(k_.spiega));
}

void ManopolaOstrel::esce() {
    if (m_.suggerimento().startsWith(prefissoSuggerimento(k_))) m_.mettiSuggerimento(QString());
}

}  // namespace velmora
