// The pieces of preset handling that do not need the model: the number format and layout of a
// saved preset, the atomic write, and when a control counts as touched.
#pragma once

#include <QByteArray>
#include <QString>
#include <string>
#include <utility>
#include <vector>

#include "catalogo.h"

namespace velmora {

// A number as a preset file holds it, independent of the locale: a whole number below 1e9 in
// magnitude without decimals ("20000", "-3"), anything else in the shortest form that reads back
// to the same double ("0.707", "-12.5", "685.7142857142857").
std::string numeroPreset(double x);

// The text of a preset: one line `  "key": number` per entry, sorted as plain strings, inside
// "{\n" ... "\n}\n" with ",\n" between lines.
std::string componiPreset(const std::vector<std::pair<std::string, double>>& voci);

// Writes `dati` to `percorso` through a temporary file that replaces the old one in one step, so
// a failed write leaves an existing file as it was. On failure `errore` gets the system's text.
bool scriviAtomico(const QString& percorso, const QByteArray& dati, QString* errore);

// True when a control moved away from its snapshot by more than 0.05% of its range (at least
// 0.001).
bool toccato(const Comando& c, double partenza, double adesso);

}  // namespace velmora
