# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 Vellory developers
# The pseudo-locale en_XA (LANGUAGE=en_XA): every text of the sources about
# 40% longer and accented, to see clipping and untranslated texts without
# knowing a language. Drawn at each build from what lupdate extracts now, so
# it never lags behind the sources; embedded under :/i18n/ beside the real
# translations. Included from res/CMakeLists.txt after `translated_sources`.
set(pseudo_dir ${CMAKE_CURRENT_BINARY_DIR}/pseudo)
set(pseudo_language en_XA)
set(pseudo_list ${pseudo_dir}/sources.lst)
set(pseudo_extracted ${pseudo_dir}/extracted.ts)
set(pseudo_ts ${pseudo_dir}/vellory_${pseudo_language}.ts)
set(pseudo_qm ${pseudo_dir}/vellory_${pseudo_language}.qm)

list(JOIN translated_sources "\n" pseudo_list_text)
file(CONFIGURE OUTPUT ${pseudo_list} CONTENT "${pseudo_list_text}\n")

add_custom_command(
  OUTPUT ${pseudo_qm}
  # A fresh extraction each time: lupdate would otherwise merge into the old one.
  COMMAND ${CMAKE_COMMAND} -E rm -f ${pseudo_extracted}
  COMMAND $<TARGET_FILE:Qt6::lupdate> -silent -locations none -no-obsolete -I ${PROJECT_SOURCE_DIR}
          @${pseudo_list} -ts ${pseudo_extracted}
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:vellory_pseudoloc> ${pseudo_extracted} ${pseudo_ts} ${pseudo_language}
  COMMAND $<TARGET_FILE:Qt6::lrelease> -silent ${pseudo_ts} -qm ${pseudo_qm}
  DEPENDS ${translated_sources} ${pseudo_list} vellory_pseudoloc
  COMMENT "Writing the pseudo-locale ${pseudo_language}"
  VERBATIM)
qt_add_resources(vellory_res vellory_pseudo_locale
  PREFIX /i18n
  BASE ${pseudo_dir}
  FILES ${pseudo_qm})
