/* Velmora processing engine: the flat C interface.
 *
 * One process-wide engine. Every function is safe to call without an engine: it then returns a
 * neutral value (0, -100, false, the caller's fallback or the text of an empty object).
 *
 * Threads: velmora_elabora runs on the real-time audio thread only. Everything else is called from
 * the host's main thread. velmora_crea and velmora_distruggi must not overlap velmora_elabora.
 */
#ifndef VELMORA_H
#define VELMORA_H

#include <stdbool.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Life of the engine. A rate not above 0, not finite or above 768 kHz runs the engine at 48000 Hz.
 * Re-creation keeps the
 * parameter store and the on/off state and resets everything else. */
void velmora_crea(double frequenza);
void velmora_distruggi(void);
bool velmora_vivo(void);

/* Processes n frames of the two channel buffers in place. Real-time safe: no lock, no allocation,
 * no system call. Non-finite input samples are silenced before they reach the chain, and a chain
 * that produces a non-finite sample is reset and the block muted, so the output is always finite.
 */
void velmora_elabora(float* sinistra, float* destra, int n);

/* Processing on (true) or loudness-matched bypass (false). */
void velmora_accendi(bool acceso);
bool velmora_acceso(void);

/* Read-outs, in dB (or dBFS for the meters). Band and meter indices run from 0 to 4. */
float velmora_guadagno_agc(void);
float velmora_guadagno_porta(void);
float velmora_guadagno_finestra(void);
float velmora_banda(int banda);
float velmora_finale(void);
float velmora_livello(int banda);
float velmora_tosatura(void);
float velmora_metro_in(int indice);
float velmora_metro_out(int indice);
float velmora_uscita(int banda);

/* Parameters. velmora_imposta stores the value at once and schedules one application of the whole
 * store 25 ms after the first unapplied change, through the host's delayed-task hook (below).
 * Non-finite values are refused: they would only silence the chain. */
bool velmora_carica_preset(const char* percorso);
void velmora_imposta(const char* chiave, double valore);
bool velmora_ha(const char* chiave);
double velmora_leggi(const char* chiave, double riserva);
/* The whole store as preset text. The text stays valid until the next call. Main thread only. */
const char* velmora_preset_json(void);

/* The host's delayed-task hook.
 *
 * A host with an event loop registers a function that runs compito(dati) on its main thread after
 * ritardo_ms milliseconds; the engine uses it for the deferred application of parameter changes.
 * Passing NULL removes the hook.
 *
 * Without a hook (a command-line tool, a test) there is no main loop to come back to, so
 * velmora_imposta applies the store at once, before it returns: every change is in effect for the
 * next processed block. */
typedef void (*velmora_compito)(void* dati);
typedef void (*velmora_posta)(velmora_compito compito, void* dati, int ritardo_ms, void* contesto);
void velmora_ospite(velmora_posta posta, void* contesto);

/* Runs a deferred application now if one is pending (for hosts that want to flush before reading
 * the sound, e.g. before rendering). */
void velmora_applica_ora(void);

#ifdef __cplusplus
}
#endif

#endif
