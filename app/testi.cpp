// Help texts of the controls, English and Italian. The band controls share one text per kind,
// under their key without the band number.
#include <array>

#include "catalogo.h"

namespace velmora {

namespace {

struct Testo {
    std::string_view chiave, aiuto, aiutoIt;
};

constexpr Testo TESTI[] = {
    // Equaliser.
    {"e_hp", "0 turns it off.", "0 lo spegne."},
    {"e_hpq",
     "The shape of the high-pass bend. 0.707 is the clean Butterworth curve; above 1 it leaves a "
     "bump just above the cut, below 0.5 it starts to sag early. Leave it at 0.707 unless you "
     "have a reason.",
     "La forma della curva del passa-alto. 0.707 e' la curva pulita di Butterworth; sopra 1 "
     "lascia una gobba subito sopra il taglio, sotto 0.5 comincia a cedere prima. Lascialo a "
     "0.707 se non hai un motivo."},
    {"e_hpsez", "1 = 12 dB/oct, 2 = 24.", "1 = 12 dB/ott, 2 = 24."},
    {"e_lshz", "", ""},
    {"e_lsdb",
     "Lifts or lowers everything below the shelf frequency. A dB or two warms a thin recording; "
     "what lies below the leveller's low cut, which comes right after, is taken away again.",
     "Alza o abbassa tutto quello che sta sotto la frequenza dello scaffale. Un dB o due "
     "scaldano una registrazione magra; quello che sta sotto il taglio sotto del livellatore, "
     "che viene subito dopo, viene tolto di nuovo."},
    {"e_b1hz", "", ""},
    {"e_b1db",
     "Boost or cut around the frequency of bell 1, in the low end. Cutting 2 to 4 dB cleans up "
     "boomy headphones; a boost adds punch, but the bass band takes part of it back.",
     "Alza o taglia intorno alla frequenza della campana 1, sul grave. Tagliare da 2 a 4 dB "
     "pulisce le cuffie che rimbombano; alzare da' spinta, ma la banda del basso se ne riprende "
     "una parte."},
    {"e_b1q", "", ""},
    {"e_b2hz", "", ""},
    {"e_b2db", "", ""},
    {"e_b2q", "", ""},
    {"e_b3hz",
     "Where bell 3 sits, in the presence region. Between 2 and 4 kHz live voices, edge and "
     "fatigue: put it on the peak you want to tame.",
     "Dove sta la campana 3, nella zona della presenza. Fra 2 e 4 kHz stanno le voci, il "
     "mordente e la fatica: mettila sul picco che vuoi domare."},
    {"e_b3db", "", ""},
    {"e_b3q", "", ""},
    {"e_hshz", "", ""},
    {"e_hsdb",
     "Air above the shelf frequency. +1 to +3 dB opens up a dull recording; beyond that hiss and "
     "sibilants come up with it.",
     "L'aria sopra la frequenza dello scaffale. Da +1 a +3 dB aprono una registrazione spenta; "
     "oltre salgono anche il fruscio e le esse."},
    {"e_lp",
     "Cuts everything above it, at 24 dB/oct. 20000 leaves the audible range alone; bring it "
     "down to 12-16 kHz only to hide the hiss of an old recording.",
     "Taglia tutto quello che sta sopra, a 24 dB/ott. A 20000 lascia stare tutto quello che si "
     "sente; abbassalo a 12-16 kHz solo per nascondere il fruscio di una registrazione vecchia."},
    {"e_lpq", "", ""},

    // Input gate, never-below detector, programme window, input gain.
    {"g_porta",
     "How far ahead the input gate looks for peaks, and so how much it delays the sound. 0 "
     "switches the gate off. 50-200 ms lets it set the level before a loud passage arrives; the "
     "price is that much delay, so a video loses its lip-sync.",
     "Quanto in anticipo la porta d'ingresso cerca i picchi, e quindi di quanto ritarda il "
     "suono. 0 spegne la porta. 50-200 ms le lasciano mettere a posto il livello prima che "
     "arrivi un passaggio forte; il prezzo e' altrettanto ritardo, e un video perde il "
     "sincronismo con le labbra."},
    {"g_pbers", "Where the peaks are put. The whole chain is tuned for -12.",
     "Dove vengono messi i picchi. Tutta la catena e' tarata per -12."},
    {"g_canc",
     "When the input stays below this level, the gate, the programme window, the leveller and "
     "the band compressors stand still instead of pulling up silence and noise; they move again "
     "3 dB above it. -90 reacts only to real silence; -60 to -50 also holds them through the "
     "pauses between tracks.",
     "Quando l'ingresso resta sotto questo livello, la porta, la finestra del programma, il "
     "livellatore e i compressori di banda stanno fermi invece di tirare su silenzio e rumore; "
     "ripartono 3 dB sopra. -90 reagisce solo al silenzio vero; da -60 a -50 li tiene fermi "
     "anche nelle pause fra un brano e l'altro."},
    {"g_cancms",
     "How long the never-below detector averages the input before it decides. 60 ms notices a "
     "real pause quickly; longer windows ignore short gaps inside the music.",
     "Su quanto tempo il rivelatore del mai sotto fa la media dell'ingresso prima di decidere. "
     "60 ms si accorgono presto di una pausa vera; finestre piu' lunghe ignorano i buchi brevi "
     "dentro la musica."},
    {"g_pvel",
     "How fast the gate may bring the level up, in dB per second; down it goes at once. 2-4 is "
     "smooth; above 10 you hear the level breathe back after every peak.",
     "Quanto in fretta la porta puo' alzare il livello, in dB al secondo; in discesa va subito. "
     "2-4 e' morbido; sopra 10 si sente il livello che risale dopo ogni picco."},
    {"f_on",
     "Switches on the programme window, which keeps the loudness of what you play between its "
     "two bounds, measured in LUFS as the streaming services measure it. Off by default: the "
     "leveller already does most of the work.",
     "Accende la finestra del programma, che tiene il volume percepito di quello che ascolti fra "
     "i suoi due limiti, misurato in LUFS come lo misurano i servizi di streaming. Spenta di "
     "serie: gran parte del lavoro lo fa gia' il livellatore."},
    {"f_min",
     "The window never lets the loudness fall below this. -20 LUFS is relaxed headphone "
     "listening, -14 is the loudness of the streaming services. Above the upper bound, it wins: "
     "the window holds exactly this value.",
     "La finestra non lascia mai scendere il volume percepito sotto questo valore. -20 LUFS e' "
     "un ascolto rilassato in cuffia, -14 e' il volume dei servizi di streaming. Se supera il "
     "limite di sopra vince lui: la finestra tiene esattamente questo valore."},
    {"f_max",
     "The window never lets the loudness rise above this. Equal to the lower bound it holds one "
     "fixed loudness; a few LUFS apart it leaves the music alone in between.",
     "La finestra non lascia mai salire il volume percepito sopra questo valore. Uguale al "
     "limite di sotto tiene un volume fisso; qualche LUFS piu' in su lascia stare la musica che "
     "sta in mezzo."},
    {"f_vel",
     "How fast the window corrects, in dB per second. 0.5-1 goes unnoticed; from 3 up you hear "
     "the level being ridden.",
     "Quanto in fretta corregge la finestra, in dB al secondo. 0.5-1 non si nota; da 3 in su si "
     "sente la mano sul volume."},
    {"g_pre",
     "How much the signal is lifted before anything else. Set it once, with the machine "
     "bypassed, so the input meter peaks around -12: from there on the whole chain works at the "
     "point it was tuned for. It is not a volume control - it is the entry level.",
     "Quanto viene alzato il segnale prima di tutto il resto. Si regola una volta, con la "
     "macchina scavalcata, finche' il metro d'ingresso fa i picchi intorno a -12: da li' in poi "
     "tutta la catena lavora nel punto per cui e' tarata. Non e' un volume - e' il livello "
     "d'entrata."},

    // Leveller.
    {"a_target",
     "The level the leveller brings every record to. -18 is the tuned point; higher asks it to "
     "push harder, and everything after it squeezes more. The AGC drive knob moves this.",
     "Il livello a cui il livellatore porta ogni disco. -18 e' il punto di taratura; piu' in "
     "alto lo fa spingere di piu', e tutto quello che viene dopo schiaccia di piu'. La manopola "
     "AGC drive muove questo."},
    {"a_up",
     "How fast the leveller brings the level up, in dB per second (down it goes at 12). 1 is "
     "slow and unnoticed; at 3-6 it follows the music closely and you hear the quiet parts "
     "swell.",
     "Quanto in fretta il livellatore alza il livello, in dB al secondo (in discesa va a 12). 1 "
     "e' lento e non si sente; a 3-6 segue da vicino la musica e si sentono le parti piano che "
     "si gonfiano."},
    {"a_win",
     "How far the leveller may move, up or down, in dB. 18 puts almost any record right; 6 only "
     "evens out small differences and leaves the dynamics of the recording alone.",
     "Di quanto puo' muoversi il livellatore, in su o in giu', in dB. 18 mette a posto quasi "
     "ogni disco; 6 pareggia solo le differenze piccole e lascia stare la dinamica della "
     "registrazione."},
    {"a_gate",
     "Below this level the leveller stops and keeps its gain, so a fade-out or a quiet intro is "
     "not pulled up to full level. -45 is safe; at -35 it also freezes on quiet classical "
     "passages.",
     "Sotto questo livello il livellatore si ferma e tiene il suo guadagno, cosi' una dissolvenza "
     "o un'introduzione piano non vengono tirate su a pieno livello. -45 e' sicuro; a -35 si "
     "ferma anche sui passaggi piano della classica."},
    {"a_hold",
     "After every fall the leveller waits this long before rising again. 200 ms stops it "
     "pumping between beats; 0 lets it breathe back at once.",
     "Dopo ogni discesa il livellatore aspetta questo tempo prima di risalire. 200 ms gli "
     "impediscono di pompare fra un colpo e l'altro; 0 lo lascia risalire subito."},
    {"a_ant",
     "The leveller hears the sound this much before you do, so it can start to fall before a "
     "loud entry. The sound is delayed by the same amount: keep 0 (off) when you watch video.",
     "Il livellatore sente il suono con questo anticipo, cosi' puo' cominciare a scendere prima "
     "di un attacco forte. Il suono viene ritardato di altrettanto: tienilo a 0 (spento) quando "
     "guardi un video."},
    {"a_det",
     "How long the leveller averages the level. 300 ms follows the phrases; 1000 follows whole "
     "passages and moves more calmly; below 100 it chases single notes.",
     "Su quanto tempo il livellatore fa la media del livello. 300 ms seguono le frasi; 1000 "
     "segue interi passaggi e si muove piu' calmo; sotto 100 insegue le singole note."},
    {"a_sub",
     "Adds weight below the sub-lift frequency, in the sound itself, before the bands. 2-4 dB "
     "help small headphones; every dB here is bass that the bands and the band wall then have "
     "to hold down.",
     "Aggiunge peso sotto la frequenza scelta, nel suono stesso, prima delle bande. 2-4 dB "
     "aiutano le cuffie piccole; ogni dB qui e' basso che le bande e il muro di banda devono poi "
     "tenere giu'."},
    {"a_subhz",
     "Where the sub lift starts: a shelf below this frequency. 60-70 Hz is body; from 90 up it "
     "starts to thicken the upper bass.",
     "Da dove parte il peso al grave: uno scaffale sotto questa frequenza. 60-70 Hz sono corpo; "
     "da 90 in su comincia a ingrossare il medio-basso."},
    {"a_boom",
     "Cuts a boomy resonance, in the sound itself, before the bands. -2 to -4 dB around 100-130 "
     "Hz tame boxy recordings and closed headphones that boom. 0 is off.",
     "Taglia una risonanza che rimbomba, nel suono stesso, prima delle bande. Da -2 a -4 dB "
     "intorno a 100-130 Hz domano le registrazioni scatolose e le cuffie chiuse che rimbombano. "
     "0 e' spento."},
    {"a_boomhz", "Centre of the boom cut. Most headphones and rooms boom between 110 and 130 Hz.",
     "Il centro del taglio del rimbombo. Quasi tutte le cuffie e le stanze rimbombano fra 110 e "
     "130 Hz."},
    {"a_boomq",
     "Width of the boom cut: higher is narrower. Around 2 it takes out one resonance; below 1 "
     "it thins the whole low end.",
     "Larghezza del taglio del rimbombo: piu' alto e' piu' stretto. Intorno a 2 toglie una "
     "risonanza; sotto 1 smagrisce tutto il grave."},
    {"a_salto",
     "How far, in dB, the leveller must be from where it wants to be to decide that a new record "
     "has started and catch up faster. 10 catches real track changes; lower, and ordinary loud "
     "passages set it off too.",
     "Di quanti dB il livellatore deve essere lontano da dove vuole andare per capire che e' "
     "cominciato un disco nuovo e recuperare piu' in fretta. 10 prende i veri cambi di brano; piu' "
     "basso, lo fanno scattare anche i normali passaggi forti."},
    {"a_saltoms",
     "How long that distance must last before the fast catch-up starts. 800 ms ignores a "
     "single loud hit; very short values make it react to drums.",
     "Quanto deve durare quella distanza prima che parta il recupero veloce. 800 ms ignorano un "
     "colpo forte isolato; valori molto corti lo fanno reagire alla batteria."},
    {"a_saltox",
     "How many times faster it catches up on a new record. 1 turns it off: then a quiet track "
     "after a loud one takes 40 seconds to come up.",
     "Quante volte piu' in fretta recupera su un disco nuovo. 1 lo spegne: allora un brano piano "
     "dopo uno forte ci mette 40 secondi a salire."},
    {"a_pesato",
     "The leveller's detector hears like the ear: a little more presence, less deep bass. On, a "
     "heavy bass line no longer drags the level down; off, it does. Only the measurement is "
     "weighted, not the sound.",
     "Il rivelatore del livellatore sente come l'orecchio: un po' piu' presenza, meno grave "
     "profondo. Acceso, una linea di basso pesante non trascina piu' giu' il livello; spento, "
     "si'. Viene pesata solo la misura, non il suono."},
    {"a_slope",
     "Steepness of the leveller's low cut: 1 = 12 dB/oct, 2 = 24, 3 = 36. Steeper keeps more "
     "of what lies just above the cut and removes more of what lies below.",
     "Pendenza del taglio sotto del livellatore: 1 = 12 dB/ott, 2 = 24, 3 = 36. Piu' ripida "
     "tiene di piu' quello che sta appena sopra il taglio e toglie di piu' quello che sta "
     "sotto."},
    {"a_sologiu",
     "The leveller only turns loud records down and never lifts quiet ones. Use it when quiet "
     "music should stay quiet.",
     "Il livellatore abbassa solo i dischi forti e non alza mai quelli piano. Usalo quando la "
     "musica piano deve restare piano."},
    {"a_cut",
     "A high-pass at the leveller's input. It cuts the sound, not only what the leveller "
     "measures: 30-40 Hz removes rumble only; at 60 the deepest bass is already thinner, and "
     "nothing later brings it back. 0 turns it off.",
     " Un passa-alto all'ingresso del livellatore. Taglia il suono, non solo quello che il "
     "livellatore misura: 30-40 Hz tolgono solo il rombo; a 60 il grave piu' profondo e' gia' "
     "piu' magro, e niente dopo lo riporta. 0 lo spegne."},
    {"a_freno",
     "The brake keeps the leveller from overshooting when something loud arrives: the peaks may "
     "sit at most this many dB above the target. 6 catches sudden loud entries; wider leaves "
     "them to the bands.",
     "Il freno impedisce al livellatore di sbandare quando arriva qualcosa di forte: i picchi "
     "possono stare al massimo questi dB sopra il bersaglio. 6 prende gli attacchi forti "
     "improvvisi; piu' largo li lascia alle bande."},
    {"a_frenov",
     "How fast the brake pulls down, in dB per second. 800 is almost instant; 0 turns the brake "
     "off, and a loud entry is then brought down at only 12 dB per second.",
     "Quanto in fretta tira giu' il freno, in dB al secondo. 800 e' quasi istantaneo; 0 spegne "
     "il freno, e un attacco forte viene allora abbassato di soli 12 dB al secondo."},

    // Bands: input window, crossovers, interaction, bonding, limits.
    {"m_inmin",
     "The bands' input window slowly lifts anything quieter than this before it reaches the "
     "bands, so the band compressors always work near their tuned point. -30 dB.",
     "La finestra d'ingresso delle bande alza piano tutto quello che e' piu' debole di cosi' "
     "prima che arrivi alle bande, perche' i compressori di banda lavorino sempre vicino al loro "
     "punto di taratura. -30 dB."},
    {"m_inmax",
     "The input window slowly brings down anything louder than this. Between the two bounds it "
     "does nothing.",
     "La finestra d'ingresso abbassa piano tutto quello che e' piu' forte di cosi'. Fra i due "
     "limiti non fa niente."},
    {"m_indbs",
     "How fast the input window moves, in dB per second. 6 is smooth; fast values make it a "
     "second leveller. The Multiband release knob also sets it.",
     "Quanto in fretta si muove la finestra d'ingresso, in dB al secondo. 6 e' morbido; valori "
     "rapidi ne fanno un secondo livellatore. La imposta anche la manopola Multiband release."},
    {"m_xo1",
     "Border between band 1, the bass, and band 2. At 100 Hz kick and bass notes stay in band "
     "1; higher, the low voices join the bass and get squeezed with it.",
     "Confine fra la banda 1, il basso, e la banda 2. A 100 Hz cassa e note del basso restano "
     "nella banda 1; piu' su, le voci gravi finiscono col basso e vengono schiacciate con lui."},
    {"m_xo2", "Border between band 2 and band 3: the low mids, warmth and mud. Around 400 Hz.",
     "Confine fra la banda 2 e la banda 3: il medio-basso, calore e fango. Intorno a 400 Hz."},
    {"m_xo3",
     "Border between band 3, the voices, and band 4. Around 1500 Hz; the bands always add back "
     "up to the original whatever the borders.",
     "Confine fra la banda 3, le voci, e la banda 4. Intorno a 1500 Hz; le bande si risommano "
     "sempre all'originale, dovunque stiano i confini."},
    {"m_xo4",
     "Border between band 4, the presence, and band 5, the top. At 5000 Hz; lower hands the "
     "sibilants to band 5.",
     "Confine fra la banda 4, la presenza, e la banda 5, l'acuto. A 5000 Hz; piu' giu' passa le "
     "esse alla banda 5."},
    {"m_hpf",
     "Cuts below this frequency, at 24 dB/oct, before the bands, so rumble does not move the "
     "bass band. 30-40 Hz; above 60 you lose real bass.",
     "Taglia sotto questa frequenza, a 24 dB/ott, prima delle bande, cosi' il rombo non muove la "
     "banda del basso. 30-40 Hz; sopra 60 si perde basso vero."},
    {"m_acc",
     "How much the bass band follows the other four. At 0 band 1 lives its own life; 30-60% "
     "stops the bass pumping against the voice. One way only: the others do not follow the "
     "bass.",
     "Quanto la banda del basso segue le altre quattro. A 0 la banda 1 fa vita sua; 30-60% "
     "impediscono al basso di pompare contro la voce. Solo in un senso: le altre non seguono il "
     "basso."},
    {"m_acc34",
     "How much band 4 follows band 3. It keeps presence and voice together, so the sibilants "
     "do not jump out when the voice is held down.",
     "Quanto la banda 4 segue la banda 3. Tiene insieme presenza e voce, cosi' le esse non "
     "saltano fuori quando la voce viene tenuta giu'."},
    {"m_pend",
     "24 or 48 only: with an odd number of sections the bands no longer add back to the "
     "original signal. 48 separates the bands more, 24 lets them breathe into each other.",
     "Solo 24 o 48: con un numero dispari di sezioni le bande non si risommano piu' al segnale "
     "originale. 48 separa di piu' le bande, 24 le lascia respirare l'una nell'altra."},
    {"m_lib",
     "How far any band may stray from the average gain of the five, in dB. 24 leaves them "
     "free; 6-10 keeps the tonal balance of the recording while still compressing.",
     "Di quanto una banda puo' allontanarsi dal guadagno medio delle cinque, in dB. 24 le lascia "
     "libere; 6-10 conservano l'equilibrio timbrico della registrazione pur comprimendo."},
    {"m_sbav",
     "Each band passes part of its gain on to its neighbours. 20-40% softens the borders "
     "between the bands; at 100% half of every gain is shared.",
     "Ogni banda passa una parte del suo guadagno alle vicine. 20-40% ammorbidiscono i confini "
     "fra le bande; a 100% meta' di ogni guadagno e' condivisa."},
    {"m_lim",
     "The band wall: an instant peak limiter in every band, this many dB above the band's "
     "ceiling, that nothing crosses. 6-10 dB; narrower is flatter and louder, 24 turns it off.",
     " Il muro di banda: un limitatore istantaneo dei picchi in ogni banda, questi dB sopra il "
     "tetto della banda, che niente attraversa. 6-10 dB; piu' stretto e' piu' piatto e piu' "
     "forte, 24 lo spegne."},
    {"m_limgr",
     "Moves the wall further up on the bass: the full amount on band 1, half on band 2. 3-6 dB "
     "let kicks through with their punch.",
     "Sposta il muro piu' in su sul grave: tutto sulla banda 1, meta' sulla banda 2. 3-6 dB "
     "lasciano passare la cassa con la sua botta."},
    {"m_limrel",
     "How fast the wall lets go after a peak, slower on the bass than on the top. 25 ms; "
     "longer leaves the tail of every hit alone, shorter makes the bass distort.",
     "Quanto in fretta il muro molla dopo un picco, piu' lento sul grave che sull'acuto. 25 ms; "
     "piu' lungo lascia stare la coda di ogni colpo, piu' corto fa distorcere il basso."},
    {"m_unione",
     "Pulls the five band gains towards their common average. 0 = five independent "
     "compressors; 30-50% sounds like one machine that still shapes the spectrum; 100% is a "
     "single wide-band compressor.",
     "Tira i guadagni delle cinque bande verso la loro media comune. 0 = cinque compressori "
     "indipendenti; 30-50% suonano come una macchina sola che modella ancora lo spettro; 100% "
     "e' un compressore unico a banda larga."},
    {"m_lock",
     "On: every band is brought to its ceiling and held there, within the limits of lift and "
     "pull-down; this is how the tuned machine works. Off: classic compression with gate and "
     "ratio, and the ceiling is only an upper limit.",
     "Acceso: ogni banda viene portata al suo tetto e tenuta li', nei limiti di quanto si puo' "
     "alzare e abbassare; e' cosi' che lavora la macchina tarata. Spento: compressione classica "
     "con cancello e rapporto, e il tetto e' solo un limite massimo."},
    {"m_str",
     "The bonding compressor: a faster compressor between the slow band gains and the wall, "
     "whose gain is shared among the bands. 1 is off; 1.5-3 fills the gaps and ties the bands "
     "together; above 4 it starts to flatten everything.",
     "La stretta: un compressore piu' rapido fra i guadagni lenti delle bande e il muro, col "
     "guadagno condiviso fra le bande. 1 e' spenta; 1.5-3 riempie i vuoti e lega le bande; "
     "sopra 4 comincia ad appiattire tutto."},
    {"m_strms",
     "The window over which the bonding compressor measures every band. 25 ms follows the "
     "beat; shorter reacts to single hits.",
     "La finestra su cui la stretta misura ogni banda. 25 ms seguono il ritmo; piu' corta "
     "reagisce ai singoli colpi."},
    {"m_stratt",
     "Attack of the bonding compressor. 10 ms lets the first edge of a hit through; 1-3 ms "
     "catch it and dull it.",
     "Attacco della stretta. 10 ms lasciano passare il primo fronte di un colpo; 1-3 ms lo "
     "prendono e lo smussano."},
    {"m_strril",
     "Release of the bonding compressor: how long it holds between one hit and the next. "
     "150-300 ms fill the gaps; longer sounds squashed.",
     "Rilascio della stretta: quanto tiene fra un colpo e l'altro. 150-300 ms riempiono i vuoti; "
     "piu' lungo suona schiacciato."},
    {"m_strsog",
     "How far above the band ceiling the bonding compressor starts to work. 6 dB leaves normal "
     "playing alone and catches the bursts; 0 compresses everything above the ceiling.",
     "Quanti dB sopra il tetto della banda la stretta comincia a lavorare. 6 dB lasciano stare "
     "il suonare normale e prendono le sfuriate; 0 comprime tutto quello che sta sopra il "
     "tetto."},
    {"m_strleg",
     "How much of its bonding gain a band passes to its neighbours, less to the far bands. 23% "
     "ties the neighbours together; 0 keeps every band to itself.",
     "Quanto del guadagno della stretta una banda passa alle vicine, meno a quelle lontane. 23% "
     "legano le vicine; 0 lascia ogni banda per conto suo."},
    {"m_strcom",
     "The part of the bonding gain that is common to the whole programme. 10% is a light tie; "
     "high values make the whole spectrum duck together, like a wide-band compressor.",
     "La parte del guadagno della stretta comune a tutto il programma. 10% e' un legame "
     "leggero; valori alti fanno abbassare tutto lo spettro insieme, come un compressore a banda "
     "larga."},
    {"m_det",
     "The window over which the level of every band is measured. 500 ms follows the level, not "
     "the notes; below 100 ms the gain chases every note and the sound warbles.",
     "La finestra su cui si misura il livello di ogni banda. 500 ms seguono il livello, non le "
     "note; sotto 100 ms il guadagno insegue ogni nota e il suono ondeggia."},
    {"m_sumax",
     "The most a band may be lifted, in dB. 12 brings quiet bands up to their ceiling; more "
     "also brings up the noise and hiss of quiet passages.",
     "Il massimo di cui una banda puo' essere alzata, in dB. 12 portano le bande deboli fino al "
     "tetto; di piu' tira su anche il rumore e il fruscio dei passaggi piano."},
    {"m_giumax",
     "The most a band may be pulled down, in dB. 18 is enough for any loud band; less leaves a "
     "very loud band above its ceiling, for the wall to catch.",
     "Il massimo di cui una banda puo' essere abbassata, in dB. 18 bastano per qualsiasi banda "
     "forte; di meno lascia una banda fortissima sopra il tetto, e la deve prendere il muro."},
    {"m_mix",
     "Mix of the processed bands with the untouched input. 100% is the whole machine; 60-80% "
     "keeps some of the original dynamics underneath. The untouched part is not phase-aligned "
     "with the bands, so around the crossovers the sum can thin out a little.",
     "Miscela delle bande lavorate con l'ingresso intatto. 100% e' tutta la macchina; 60-80% "
     "tengono sotto un po' della dinamica originale. La parte intatta non e' in fase con le "
     "bande, e intorno agli incroci la somma puo' smagrirsi un poco."},

    // The eight controls of every band.
    {"m_bon",
     "Turn this band off to hear what it was doing. Off it still passes - the spectrum stays "
     "whole - but its gain sits at zero and its wall does nothing.",
     "Spegni questa banda per sentire cosa stava facendo. Spenta passa lo stesso - lo spettro "
     "resta intero - ma il suo guadagno sta a zero e il suo muro non fa niente."},
    {"m_sog",
     "The band's gate: below this level the band is not compressed and gets its below-gate "
     "gain instead, so the noise in the pauses is not pulled up. -55 dB; higher leaves quiet "
     "passages untouched.",
     "Il cancello della banda: sotto questo livello la banda non viene compressa e prende invece "
     "il suo guadagno sotto il cancello, cosi' il rumore nelle pause non viene tirato su. "
     "-55 dB; piu' alto lascia intatti i passaggi piano."},
    {"m_sot",
     "The band's gain while its gate is closed. 0 leaves quiet passages as they are; a "
     "negative value pushes the noise down between phrases; a positive one lifts them.",
     "Il guadagno della banda mentre il suo cancello e' chiuso. 0 lascia i passaggi piano come "
     "sono; un valore negativo spinge giu' il rumore fra una frase e l'altra; uno positivo li "
     "alza."},
    {"m_tet",
     "The band's ceiling: with Hold at ceiling on, the level the band is brought to and kept "
     "at; otherwise the level it never goes above. Lower means more compression: raise the gain "
     "by the same amount to keep the loudness.",
     "Il tetto della banda: con Tetto bloccato acceso, il livello a cui la banda viene portata e "
     "tenuta; altrimenti il livello che non supera mai. Piu' basso vuol dire piu' compressione: "
     "alza il guadagno della stessa quantita' per tenere il volume."},
    {"m_rap",
     "Ratio of the band's compressor above its gate, when Hold at ceiling is off. 2-4 is "
     "gentle, 10 and more is limiting.",
     "Rapporto del compressore della banda sopra il suo cancello, quando Tetto bloccato e' "
     "spento. 2-4 e' delicato, da 10 in su e' limitazione."},
    {"m_att",
     "How fast the band's gain falls when the band gets louder. 10-20 ms let the transients "
     "through; below 3 ms the attack of every note is dulled.",
     "Quanto in fretta scende il guadagno della banda quando la banda si fa piu' forte. "
     "10-20 ms lasciano passare i transienti; sotto 3 ms l'attacco di ogni nota si smussa."},
    {"m_ril",
     "How fast the band's gain comes back after a hit. Short keeps the tail up and the band "
     "sounds dense; long lets the tail die naturally. Keep the bass slower than the top.",
     "Quanto in fretta risale il guadagno della banda dopo un colpo. Corto tiene su la coda e la "
     "banda suona densa; lungo lascia morire la coda in modo naturale. Tieni il basso piu' lento "
     "dell'acuto."},
    {"m_gai",
     "The band's make-up gain, after its compressor. Lower the ceiling and raise this by the "
     "same amount for more compression at the same loudness.",
     "Il guadagno di recupero della banda, dopo il suo compressore. Abbassa il tetto e alza "
     "questo della stessa quantita' per avere piu' compressione allo stesso volume."},

    // Final stage: the clipping block.
    {"x_rot",
     "Phase rotator: all-pass sections at 200 Hz that make lopsided waveforms, like voices and "
     "brass, symmetrical, so the clipper distorts less. 0 is off; inaudible on its own.",
     "Rotatore di fase: sezioni passa-tutto a 200 Hz che rendono simmetriche le forme d'onda "
     "sbilenche, come voci e ottoni, cosi' il clipper distorce meno. 0 e' spento; da solo non "
     "si sente."},
    {"x_arm",
     "Adds synthesised harmonics of the bass, so the bass is heard even where the headphones "
     "cannot play the fundamental. 3-6 dB; more sounds like a fuzz bass.",
     "Aggiunge armoniche sintetiche del basso, cosi' il basso si sente anche dove le cuffie non "
     "riescono a riprodurre la fondamentale. 3-6 dB; di piu' suona come un basso distorto."},
    {"x_armhz",
     "The bass below this frequency gets harmonics. Match it to the end of band 1, the first "
     "crossover: 100-120 Hz.",
     "Il basso sotto questa frequenza riceve le armoniche. Fallo coincidere con la fine della "
     "banda 1, il primo incrocio: 100-120 Hz."},
    {"x_bcdb",
     "The bass clipper clips the low band on its own, this many dB below its recent peak. It "
     "buys bass loudness with distortion: for listening keep it at 0.",
     "Il clipper del basso tosa la banda bassa da sola, questi dB sotto il suo picco recente. "
     "Compra volume di basso con la distorsione: per ascoltare tienilo a 0."},
    {"x_bchz",
     "Where the bass clipper's low band ends. 150-200 Hz; higher, it starts to clip the low "
     "voices too.",
     "Dove finisce la banda bassa del clipper del basso. 150-200 Hz; piu' su comincia a tosare "
     "anche le voci gravi."},
    {"x_spazio",
     "Widens the stereo image above the Space frequency by raising the sides; the centre is "
     "never touched and the sides below 150 Hz are removed. 20-45% opens it up; above 70% it "
     "sounds hollow.",
     "Allarga l'immagine stereo sopra la frequenza scelta alzando i lati; il centro non viene "
     "mai toccato e i lati sotto i 150 Hz vengono tolti. 20-45% la aprono; sopra 70% suona "
     "vuota."},
    {"x_spaziohz",
     "Above this frequency the sides are widened; between 150 Hz and here they pass as they "
     "are. 700-1500 Hz.",
     "Sopra questa frequenza i lati vengono allargati; fra 150 Hz e qui passano come sono. "
     "700-1500 Hz."},
    {"x_radio",
     "Broadcast mode runs the whole machine, clipping, final look-ahead and safety limiter "
     "included, as on air under the FM modulation ceiling. Off, listening mode leaves them out: "
     "on headphones there is no ceiling, only the price in distortion.",
     "Il modo radio fa girare tutta la macchina, compresi tosatura, anticipo finale e "
     "limitatore di sicurezza, come in onda sotto il tetto di modulazione FM. Spento, il modo "
     "ascolto li lascia fuori: in cuffia il tetto non c'e', resta solo il prezzo in "
     "distorsione."},
    {"x_tosaon",
     "Switches the clipping block on or off within broadcast mode: rotator, saturation, bass "
     "clipper, pre-emphasis, HF limiter, clipper, space and top cut.",
     "Accende o spegne il blocco di tosatura dentro il modo radio: rotatore, saturazione, "
     "clipper del basso, pre-enfasi, limitatore acuti, clipper, spaziosita' e muro in cima."},
    {"x_limit",
     "The final safety limiter of broadcast mode: nothing leaves above the output level. Leave "
     "it on.",
     "Il limitatore di sicurezza finale del modo radio: niente esce sopra il livello d'uscita. "
     "Lascialo acceso."},
    {"x_top",
     "A steep low-pass at this frequency, as FM stops at 15 kHz. 20000 is off; 15000 sounds "
     "like the radio.",
     "Un passa-basso ripido a questa frequenza, come la FM che si ferma a 15 kHz. 20000 e' "
     "spento; 15000 suona come la radio."},
    {"x_pre",
     "Pre-emphasis as on FM: the clipper works on a signal with lifted treble, which is then "
     "taken back down. 50 us (Europe) or 75 us (America) give the sound of the radio, and make "
     "the clipper work harder on cymbals; 0 is off.",
     "Pre-enfasi come in FM: il clipper lavora su un segnale con gli acuti alzati, che poi "
     "vengono riabbassati. 50 us (Europa) o 75 us (America) danno il suono della radio, e fanno "
     "lavorare di piu' il clipper sui piatti; 0 e' spenta."},
    {"x_hfdb",
     "The most the HF limiter may cut the treble when it gets loud, before the clipper. -3 to "
     "-6 dB tame cymbals and sibilants; 0 is off.",
     "Il massimo di cui il limitatore acuti puo' tagliare gli acuti quando si fanno forti, prima "
     "del clipper. Da -3 a -6 dB domano piatti ed esse; 0 e' spento."},
    {"x_hfhz", "Where the HF limiter listens and cuts. Around 6000 Hz.",
     "Dove il limitatore acuti ascolta e taglia. Intorno a 6000 Hz."},
    {"x_clip",
     "The final clipper, this many dB below the recent peak. Every dB is loudness paid for in "
     "distortion: for listening 0, and the Tervane technician says 0.0-0.5.",
     "Il clipper finale, questi dB sotto il picco recente. Ogni dB e' volume pagato in "
     "distorsione: per ascoltare 0, e il tecnico Tervane dice 0.0-0.5."},

    // Final stage: output, upper mids, bass tail.
    {"x_in",
     "Drive into the final stage, in dB. 0 is the tuned point. In broadcast mode more drives the "
     "clipper and the limiter harder: louder, and dirtier; in listening mode it only turns the "
     "sound up, and nothing stops it past full scale.",
     "Spinta dentro lo stadio finale, in dB. 0 e' il punto di taratura. In modo radio, alzandola, "
     "clipper e limitatore lavorano di piu': piu' volume, e piu' sporco; in modo ascolto alza solo "
     "il suono, e oltre il fondo scala niente lo ferma."},
    {"x_shape",
     "Saturation before the clipper, in broadcast mode: it rounds the peaks softly. Its travel "
     "is squared, so 50% is only a quarter of the curve. 10-30% adds warmth; 100% is plain "
     "distortion.",
     "Saturazione prima del clipper, in modo radio: arrotonda i picchi con dolcezza. La sua "
     "corsa e' al quadrato, quindi 50% e' solo un quarto della curva. 10-30% aggiungono calore; "
     "100% e' distorsione e basta."},
    {"x_mix",
     "Mix of the final stage's output with its input. 100% is the whole machine; lower keeps "
     "some of the unclipped sound underneath.",
     "Miscela dell'uscita dello stadio finale col suo ingresso. 100% e' tutta la macchina; piu' "
     "basso tiene sotto un po' del suono non tosato."},
    {"x_out",
     "The output level, and in broadcast mode the ceiling of the safety limiter. -1 dB leaves "
     "room for the conversion in the output device; 0 risks overs on some devices.",
     "Il livello d'uscita e, in modo radio, il tetto del limitatore di sicurezza. -1 dB lascia "
     "margine alla conversione nel dispositivo d'uscita; 0 rischia di saturare certi "
     "dispositivi."},
    {"x_ant",
     "Look-ahead of the final limiter, in broadcast mode: it sees the peaks this far ahead and "
     "turns them down without clipping. 10 ms; the price is the same delay.",
     " Anticipo del limitatore finale, in modo radio: vede i picchi con questo anticipo e li "
     "abbassa senza tosare. 10 ms; il prezzo e' altrettanto ritardo."},
    {"x_rel",
     "Release of the final limiter: how fast it lets go after a peak. 120 ms; shorter is louder "
     "but pumps, longer is cleaner but duller.",
     "Rilascio del limitatore finale: quanto in fretta molla dopo un picco. 120 ms; piu' corto "
     "e' piu' forte ma pompa, piu' lungo e' piu' pulito ma piu' spento."},
    {"x_mahz", "Centre of the upper-mids bell, where harshness lives: 2-3 kHz.",
     "Il centro della campana dei medio-alti, dove sta l'asprezza: 2-3 kHz."},
    {"x_mafix", "Always cuts the upper mids by this many dB. -1 to -2 soften a bright recording.",
     "Taglia sempre i medio-alti di questi dB. Da -1 a -2 addolciscono una registrazione "
     "brillante."},
    {"x_madin",
     "Cuts the upper mids further, by up to this many dB, only while they push. -3 to -6 calm "
     "shouting voices and loud guitars without dulling the quiet passages.",
     "Taglia ancora i medio-alti, fino a questi dB, solo mentre spingono. Da -3 a -6 calmano le "
     "voci urlate e le chitarre forti senza spegnere i passaggi piano."},
    {"x_marel",
     "How fast the upper-mids cut lets go after they stop pushing. 1000 ms is smooth; short "
     "values make the treble flutter.",
     "Quanto in fretta molla il taglio dei medio-alti quando smettono di spingere. 1000 ms sono "
     "morbidi; valori corti fanno tremolare gli acuti."},
    {"x_maq",
     "Width of the upper-mids bell: higher is narrower. 0.8 covers about an octave and a half.",
     "Larghezza della campana dei medio-alti: piu' alto e' piu' stretto. 0.8 copre circa "
     "un'ottava e mezza."},
    {"x_bshz", "Centre of the bass-tail bell. 80-100 Hz is where the bass rings on.",
     "Il centro della campana della coda del basso. 80-100 Hz e' dove il basso continua a "
     "suonare."},
    {"x_bsfix",
     "A fixed cut of the low bell, always on. -1 to -3 dB take out weight where headphones "
     "bloom.",
     "Un taglio fisso della campana bassa, sempre acceso. Da -1 a -3 dB tolgono peso dove le "
     "cuffie si gonfiano."},
    {"x_bsdin",
     "An extra cut of the bass tail while the bass is loud: it shortens the notes that ring on. "
     "-2 to -4 dB tighten a boomy bass; more makes it thin.",
     "Un taglio in piu' sulla coda del basso mentre il basso e' forte: accorcia le note che "
     "continuano a suonare. Da -2 a -4 dB stringono un basso che rimbomba; di piu' lo "
     "smagrisce."},
    {"x_bsq", "", ""},
};

}  // namespace

Aiuto testoAiuto(std::string_view chiave) {
    for (const Testo& t : TESTI)
        if (t.chiave == chiave) return {t.aiuto, t.aiutoIt};
    // A band control: one of the band kinds followed by the band number.
    static constexpr std::string_view TIPI_BANDA[] = {"m_bon", "m_sog", "m_sot", "m_tet",
                                                      "m_rap", "m_att", "m_ril", "m_gai"};
    if (chiave.size() == 6 && chiave.back() >= '1' && chiave.back() <= '5') {
        const std::string_view radice = chiave.substr(0, 5);
        for (std::string_view tipo : TIPI_BANDA)
            if (tipo == radice)
                for (const Testo& t : TESTI)
                    if (t.chiave == radice) return {t.aiuto, t.aiutoIt};
    }
    return {};
}

}  // namespace velmora
