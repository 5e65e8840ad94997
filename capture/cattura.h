/* Velmora capture and playback: the flat C interface.
 *
 * One process-wide capture. On Linux the "tap" is a virtual PipeWire sink node named "Velmora",
 * made the default sink while capture runs, so every application that plays to the default output
 * flows through the engine; the processed sound goes to a playback stream aimed at the chosen
 * sink. Stopping (and the exit and signal hooks) puts the previous default sink back.
 *
 * Threads: every function is called from the main thread. Texts returned here are UTF-8 and stay
 * valid until the same function is called again (cattura_errore: until the next start).
 * Device ids are PipeWire global ids of Audio/Sink nodes; 0 means the default sink as it was
 * before Velmora took over.
 */
#ifndef VELMORA_CATTURA_H
#define VELMORA_CATTURA_H

#include <stdbool.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Start and stop. cattura_avvia re-creates the engine at the capture rate (keeping every
 * parameter) before any audio runs; true on success or when a capture already runs; on failure
 * cattura_errore says why, in Italian, and nothing is left behind. */
bool cattura_avvia(uint32_t dispositivo);
void cattura_ferma(void);
bool cattura_attiva(void);
const char* cattura_errore(void);

/* Status read-outs. */
uint64_t cattura_conteggio(void);    /* capture callbacks since the program started */
bool cattura_viva(void);             /* our sink node exists and the server connection is alive */
int32_t cattura_canale(void);        /* first input channel of the pair in use */
int32_t cattura_quanti_canali(void); /* input channels seen (at most 64) */
float cattura_piu_forte(void);       /* level of the loudest input channel, dB (-100 when silent) */
double cattura_frequenza(void);      /* capture rate */
double cattura_frequenza_uscita(void); /* output rate */
uint32_t cattura_anello(void);         /* frames waiting in the ring */

/* Ring health since the current capture started: capture blocks that found the ring too full to
 * take all their frames (the frames that did not fit were dropped), and render calls that found
 * fewer frames than they had to play (the shortfall was played as silence). Both counters are
 * zeroed by every start. */
uint64_t cattura_trabocchi(void);
uint64_t cattura_ammanchi(void);

/* Test tone: 1000 Hz at amplitude 0.25 replaces the programme on the output while on. */
void cattura_tono(bool acceso);

/* Audio safety and output devices. */
bool cattura_altro_attivo(void);          /* another Velmora process of this user is running */
bool cattura_permesso(void);              /* the audio server accepts a Velmora sink node */
const char* cattura_elenco_uscite(void);  /* rebuilds the sink list: names, one per line */
uint32_t cattura_id_uscita(int indice);   /* id at that position of the last list, 0 if none */
int32_t cattura_uscita_predefinita(void); /* position of the default sink in the last list, -1 */
const char* cattura_uscita_in_uso(void);  /* name of the sink we play to, or a placeholder */

#ifdef __cplusplus
}
#endif

#endif
