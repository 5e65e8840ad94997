// Measures how much delay a path through the audio graph adds. At the same positions of the graph
// clock, one stream sends a single-sample impulse on the left channel to the default sink (the
// path under test) and another sends one on the right channel straight to --ascolta NAME; a third
// stream records the monitor of NAME. The delay of the path is the distance between the left and
// the right arrival, in frames, so whatever the measuring streams add themselves cancels out.
// Prints the median, the extremes and the quantum.
//
//   misura_ritardo [--secondi S] [--ascolta NAME]
#include <pipewire/pipewire.h>
#include <spa/param/audio/format-utils.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr uint64_t kPeriodo = 24000;
constexpr int kMassimo = 64;

struct Misura {
    pw_main_loop* loop = nullptr;
    pw_stream* emetti = nullptr;
    pw_stream* diretto = nullptr;
    pw_stream* ascolta = nullptr;
    uint64_t ultimo[2] = {};
    uint64_t arrivo[2][kMassimo] = {};
    int arrivi[2] = {};
    int64_t ritardi[kMassimo] = {};
    std::atomic<int> quanti{0};
    std::atomic<uint32_t> quanto{0};
};

Misura gM;

void emetti(pw_stream* s, int canale) {
    pw_buffer* b = pw_stream_dequeue_buffer(s);
    if (b == nullptr) return;
    spa_data& d = b->buffer->datas[0];
    if (d.data != nullptr) {
        uint32_t n = d.maxsize / 8;
        if (b->requested > 0 && b->requested < n) n = static_cast<uint32_t>(b->requested);
        pw_time t{};
        pw_stream_get_time_n(s, &t, sizeof(t));
        auto* x = static_cast<float*>(d.data);
        for (uint32_t i = 0; i < n; ++i) {
            const float v = (t.ticks + i) % kPeriodo == 0 ? 0.5f : 0.0f;
            x[2 * i] = canale == 0 ? v : 0.0f;
            x[2 * i + 1] = canale == 1 ? v : 0.0f;
        }
        d.chunk->offset = 0;
        d.chunk->stride = 8;
        d.chunk->size = n * 8;
    }
    pw_stream_queue_buffer(s, b);
}

void suEmetti(void*) {
    emetti(gM.emetti, 0);
}
void suDiretto(void*) {
    emetti(gM.diretto, 1);
}

void suAscolta(void*) {
    pw_buffer* b = pw_stream_dequeue_buffer(gM.ascolta);
    if (b == nullptr) return;
    spa_data& d = b->buffer->datas[0];
    if (d.data != nullptr && d.chunk != nullptr) {
        const uint32_t n = std::min(d.chunk->size, d.maxsize) / 8;
        gM.quanto.store(n);
        pw_time t{};
        pw_stream_get_time_n(gM.ascolta, &t, sizeof(t));
        const auto* x = static_cast<const float*>(SPA_PTROFF(d.data, d.chunk->offset, void));
        for (uint32_t i = 0; i < n; ++i) {
            const uint64_t p = t.ticks + i;
            for (int c = 0; c < 2; ++c) {
                if (std::fabs(x[2 * i + c]) > 0.2f && p > gM.ultimo[c] + kPeriodo / 2 &&
                    gM.arrivi[c] < kMassimo) {
                    gM.ultimo[c] = p;
                    gM.arrivo[c][gM.arrivi[c]++] = p;
                }
            }
        }
    }
    pw_stream_queue_buffer(gM.ascolta, b);
}

void suTempo(void* dati, uint64_t) {
    pw_main_loop_quit(static_cast<pw_main_loop*>(dati));
}

pw_stream* flusso(pw_loop* loop, const char* nome, pw_properties* props, pw_direction dir,
                  void (*process)(void*), spa_hook* ascolto, pw_stream_events* ev) {
    ev->version = PW_VERSION_STREAM_EVENTS;
    ev->process = process;
    pw_stream* s = pw_stream_new_simple(loop, nome, props, ev, nullptr);
    (void)ascolto;
    uint8_t spazio[1024];
    spa_pod_builder b = SPA_POD_BUILDER_INIT(spazio, sizeof(spazio));
    spa_audio_info_raw info{};
    info.format = SPA_AUDIO_FORMAT_F32;
    info.channels = 2;
    info.rate = 48000;
    info.position[0] = SPA_AUDIO_CHANNEL_FL;
    info.position[1] = SPA_AUDIO_CHANNEL_FR;
    const spa_pod* params[1] = {spa_format_audio_raw_build(&b, SPA_PARAM_EnumFormat, &info)};
    pw_stream_connect(
        s, dir, PW_ID_ANY,
        static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS |
                                     PW_STREAM_FLAG_RT_PROCESS),
        params, 1);
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    double secondi = 4;
    std::string ascolta = "fake_headphones";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--secondi")
            secondi = std::atof(argv[i + 1]);
        else if (a == "--ascolta")
            ascolta = argv[i + 1];
    }
    pw_init(&argc, &argv);
    gM.loop = pw_main_loop_new(nullptr);
    pw_loop* loop = pw_main_loop_get_loop(gM.loop);

    pw_properties* pa = pw_properties_new(PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY,
                                          "Capture", PW_KEY_TARGET_OBJECT, ascolta.c_str(),
                                          PW_KEY_STREAM_CAPTURE_SINK, "true", nullptr);
    spa_hook h1{}, h2{};
    pw_stream_events e1{}, e2{};
    gM.ascolta = flusso(loop, "misura-ascolta", pa, PW_DIRECTION_INPUT, suAscolta, &h1, &e1);
    pw_properties* pe =
        pw_properties_new(PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY, "Playback", nullptr);
    gM.emetti = flusso(loop, "misura-emetti", pe, PW_DIRECTION_OUTPUT, suEmetti, &h2, &e2);
    pw_properties* pd =
        pw_properties_new(PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY, "Playback",
                          PW_KEY_TARGET_OBJECT, ascolta.c_str(), nullptr);
    spa_hook h3{};
    pw_stream_events e3{};
    gM.diretto = flusso(loop, "misura-diretto", pd, PW_DIRECTION_OUTPUT, suDiretto, &h3, &e3);

    spa_source* tempo = pw_loop_add_timer(loop, suTempo, gM.loop);
    timespec quando{static_cast<time_t>(secondi),
                    static_cast<long>((secondi - std::floor(secondi)) * 1e9)};
    pw_loop_update_timer(loop, tempo, &quando, nullptr, false);
    pw_main_loop_run(gM.loop);
    pw_stream_destroy(gM.emetti);
    pw_stream_destroy(gM.diretto);
    pw_stream_destroy(gM.ascolta);
    pw_main_loop_destroy(gM.loop);

    // Pair the arrivals of the same impulse: the right arrival near each left one.
    int k = 0;
    for (int a = 0; a < gM.arrivi[0] && k < kMassimo; ++a)
        for (int c = 0; c < gM.arrivi[1]; ++c) {
            const auto dd = static_cast<int64_t>(gM.arrivo[0][a] - gM.arrivo[1][c]);
            if (dd > -static_cast<int64_t>(kPeriodo / 2) && dd < static_cast<int64_t>(kPeriodo / 2))
                gM.ritardi[k++] = dd;
        }
    gM.quanti.store(k);
    // The first impulse may have met a graph still settling: drop it.
    std::vector<int64_t> v(gM.ritardi, gM.ritardi + gM.quanti.load());
    if (v.size() > 2) v.erase(v.begin());
    if (v.empty()) {
        std::printf("impulsi 0\n");
        return 1;
    }
    std::vector<int64_t> ordinati = v;
    std::sort(ordinati.begin(), ordinati.end());
    std::printf("impulsi %zu mediana %lld minimo %lld massimo %lld quanto %u\n", v.size(),
                static_cast<long long>(ordinati[ordinati.size() / 2]),
                static_cast<long long>(ordinati.front()), static_cast<long long>(ordinati.back()),
                gM.quanto.load());
    return 0;
}
