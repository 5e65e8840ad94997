# Tests of the application model: no audio server, no display (manual clock, fake capture layer).
if(TARGET velmora_modello)
  find_package(Qt6 REQUIRED COMPONENTS Core)
  velmora_test(macchina_test SOURCES macchina_test.cpp LIBS velmora_modello)
  velmora_test(preset_utente_test SOURCES preset_utente_test.cpp LIBS velmora_modello)
  velmora_test(sentinella_test SOURCES sentinella_test.cpp LIBS velmora_modello)
  velmora_test(piattaforma_test SOURCES piattaforma_test.cpp LIBS velmora_modello)
  velmora_test(manopola_test SOURCES manopola_test.cpp LIBS velmora_modello)
  # Against a private PipeWire server (scripts/pipewire_ambiente.sh); skipped by the unit run.
  velmora_test(macchina_e2e_test SOURCES macchina_e2e_test.cpp LIBS velmora_modello LABELS e2e)
  target_compile_definitions(macchina_e2e_test PRIVATE VELMORA_SORGENTE="${CMAKE_SOURCE_DIR}")
endif()
