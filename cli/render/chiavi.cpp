#include "chiavi.h"

#include <algorithm>
#include <array>

#ifdef VELMORA_CON_CATALOGO
#include "catalogo.h"
#endif

namespace resa {

#ifdef VELMORA_CON_CATALOGO

bool nelCatalogo(std::string_view chiave) {
    return velmora::trova(chiave) != nullptr;
}

#else

namespace {

// The catalogue's keys, for builds without the catalogue library.
constexpr std::array<std::string_view, 108> SEMPLICI{
    "e_hp",       "e_hpq",    "e_hpsez",  "e_lshz",    "e_lsdb",  "e_b1hz",  "e_b1db",
    "e_b1q",      "e_b2hz",   "e_b2db",   "e_b2q",     "e_b3hz",  "e_b3db",  "e_b3q",
    "e_hshz",     "e_hsdb",   "e_lp",     "e_lpq",     "g_porta", "g_pbers", "g_canc",
    "g_cancms",   "g_pvel",   "f_on",     "f_min",     "f_max",   "f_vel",   "g_pre",
    "a_target",   "a_up",     "a_win",    "a_gate",    "a_hold",  "a_ant",   "a_det",
    "a_sub",      "a_subhz",  "a_boom",   "a_boomhz",  "a_boomq", "a_salto", "a_saltoms",
    "a_saltox",   "a_pesato", "a_slope",  "a_sologiu", "a_cut",   "a_freno", "a_frenov",
    "m_inmin",    "m_inmax",  "m_indbs",  "m_xo1",     "m_xo2",   "m_xo3",   "m_xo4",
    "m_hpf",      "m_acc",    "m_acc34",  "m_pend",    "m_lib",   "m_sbav",  "m_lim",
    "m_limgr",    "m_limrel", "m_unione", "m_lock",    "m_str",   "m_strms", "m_stratt",
    "m_strril",   "m_strsog", "m_strleg", "m_strcom",  "m_det",   "m_sumax", "m_giumax",
    "m_mix",      "x_rot",    "x_arm",    "x_armhz",   "x_bcdb",  "x_bchz",  "x_spazio",
    "x_spaziohz", "x_radio",  "x_tosaon", "x_limit",   "x_top",   "x_pre",   "x_hfdb",
    "x_hfhz",     "x_clip",   "x_in",     "x_shape",   "x_mix",   "x_out",   "x_ant",
    "x_rel",      "x_mahz",   "x_mafix",  "x_madin",   "x_marel", "x_maq",   "x_bshz",
    "x_bsfix",    "x_bsdin",  "x_bsq"};

// Band controls: the prefix followed by the band number 1 to 5.
constexpr std::array<std::string_view, 8> DI_BANDA{"m_bon", "m_sog", "m_sot", "m_tet",
                                                   "m_rap", "m_att", "m_ril", "m_gai"};

}  // namespace

bool nelCatalogo(std::string_view chiave) {
    if (std::find(SEMPLICI.begin(), SEMPLICI.end(), chiave) != SEMPLICI.end()) return true;
    if (chiave.size() < 2 || chiave.back() < '1' || chiave.back() > '5') return false;
    const auto prefisso = chiave.substr(0, chiave.size() - 1);
    return std::find(DI_BANDA.begin(), DI_BANDA.end(), prefisso) != DI_BANDA.end();
}

#endif

bool chiaveDelMotore(std::string_view chiave) {
    constexpr std::array<std::string_view, 11> MOTORE{"e_on",      "a_on",  "m_on",        "x_on",
                                                      "m_com",     "m_ban", "o_schiaccia", "a_down",
                                                      "a_frenoms", "m_out", "x_bsrel"};
    return std::find(MOTORE.begin(), MOTORE.end(), chiave) != MOTORE.end();
}

}  // namespace resa
