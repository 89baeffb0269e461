# The fonts embedded in the program: a Qt resource generated into the build folder that
# holds the installed font files under the prefix /RT_FONT, by resource id (190 Roboto,
# 188 Cairo). A font that is not installed is left out; the program then goes on without
# that resource.
find_file(MC_ROBOTO_FONT_FILE Roboto-Regular.ttf
  PATHS /usr/share/fonts/truetype/roboto/unhinted/RobotoTTF
        /usr/share/fonts/truetype/roboto/unhinted
        /usr/share/fonts/truetype/roboto/hinted
        /usr/share/fonts/truetype/roboto
  NO_DEFAULT_PATH)
find_file(MC_CAIRO_FONT_FILE NAMES Cairo-Regular.ttf Cairo-Regular.otf
  PATHS /usr/share/fonts/truetype/cairo /usr/share/fonts/opentype/cairo /usr/share/fonts/truetype
  NO_DEFAULT_PATH)

set(mc_font_entries "")
if(MC_ROBOTO_FONT_FILE)
  string(APPEND mc_font_entries "    <file alias=\"190\">${MC_ROBOTO_FONT_FILE}</file>\n")
else()
  message(WARNING "Roboto-Regular.ttf not found (Debian package fonts-roboto): the program is built without it")
endif()
if(MC_CAIRO_FONT_FILE)
  string(APPEND mc_font_entries "    <file alias=\"188\">${MC_CAIRO_FONT_FILE}</file>\n")
endif()

set(mc_fonts_qrc ${CMAKE_BINARY_DIR}/generated/embedded_fonts.qrc)
file(CONFIGURE OUTPUT ${mc_fonts_qrc} CONTENT
  "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n  <qresource prefix=\"/RT_FONT\">\n${mc_font_entries}  </qresource>\n</RCC>\n")
target_sources(mc_ui PRIVATE ${mc_fonts_qrc})
target_compile_definitions(mc_ui PRIVATE MC_EMBEDDED_FONTS_QRC=1)
