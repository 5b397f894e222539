# Writes the fontconfig file IN as a C++ string constant into OUT (run with cmake -P).
file(READ ${IN} content)
if(content MATCHES "\\)HXCONF\"")
  message(FATAL_ERROR "${IN} contains the raw-string delimiter")
endif()
file(WRITE ${OUT} "// Generated from assets/fonts/horalux-fonts.conf; do not edit.\n"
  "namespace hx::assets {\nextern const char kFontsConf[];\n"
  "const char kFontsConf[] = R\"HXCONF(${content})HXCONF\";\n}\n")
