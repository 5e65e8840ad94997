// Provisional neutral implementation of the capture interface.
#include "cattura.h"

extern "C" {
bool cattura_avvia(uint32_t) {
    return false;
}
void cattura_ferma(void) {}
bool cattura_attiva(void) {
    return false;
}
const char* cattura_errore(void) {
    return "";
}
uint64_t cattura_conteggio(void) {
    return 0;
}
bool cattura_viva(void) {
    return false;
}
int32_t cattura_canale(void) {
    return 0;
}
int32_t cattura_quanti_canali(void) {
    return 0;
}
float cattura_piu_forte(void) {
    return -100.0f;
}
double cattura_frequenza(void) {
    return 48000.0;
}
double cattura_frequenza_uscita(void) {
    return 48000.0;
}
uint32_t cattura_anello(void) {
    return 0;
}
uint64_t cattura_trabocchi(void) {
    return 0;
}
uint64_t cattura_ammanchi(void) {
    return 0;
}
void cattura_tono(bool) {}
bool cattura_altro_attivo(void) {
    return false;
}
bool cattura_permesso(void) {
    return false;
}
const char* cattura_elenco_uscite(void) {
    return "";
}
uint32_t cattura_id_uscita(int) {
    return 0;
}
int32_t cattura_uscita_predefinita(void) {
    return -1;
}
const char* cattura_uscita_in_uso(void) {
    return "(niente)";
}
}
