# The application model: Qt Core over the engine, the capture layer and the catalogue.
if(VELMORA_APP AND NOT VELMORA_TSAN AND NOT VELMORA_FUZZ)
  find_package(Qt6 REQUIRED COMPONENTS Core)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(VELMORA_MODELLO_PW REQUIRED IMPORTED_TARGET libpipewire-0.3)

  add_library(velmora_modello STATIC
    ${CMAKE_CURRENT_LIST_DIR}/macchina.cpp
    ${CMAKE_CURRENT_LIST_DIR}/macchina.h
    ${CMAKE_CURRENT_LIST_DIR}/preset_utente.cpp
    ${CMAKE_CURRENT_LIST_DIR}/preset_utente.h
    ${CMAKE_CURRENT_LIST_DIR}/sentinella.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sentinella.h
    ${CMAKE_CURRENT_LIST_DIR}/manopola.cpp
    ${CMAKE_CURRENT_LIST_DIR}/manopola.h
    ${CMAKE_CURRENT_LIST_DIR}/piattaforma.cpp
    ${CMAKE_CURRENT_LIST_DIR}/piattaforma.h
    ${CMAKE_CURRENT_LIST_DIR}/orologio.h
  )
  set_target_properties(velmora_modello PROPERTIES AUTOMOC ON)
  target_include_directories(velmora_modello PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(velmora_modello
    PUBLIC Qt6::Core velmora_catalogo velmora_engine velmora_cattura
    PRIVATE PkgConfig::VELMORA_MODELLO_PW)

  # The built-in copies of the presets, under :/velmora/presets.
  file(GLOB VELMORA_PRESET_INCLUSI CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/presets/*.json)
  if(VELMORA_PRESET_INCLUSI)
    qt_add_resources(velmora_modello velmora_preset
      PREFIX "/velmora/presets"
      BASE ${CMAKE_SOURCE_DIR}/presets
      FILES ${VELMORA_PRESET_INCLUSI})
  endif()
endif()
