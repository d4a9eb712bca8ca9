# Helpers shared by every folder's CMakeLists.txt.

# Warnings in our own code only; system headers (Qt, FFmpeg) are included as SYSTEM. They are
# errors where CORVALE_WERROR is on (CI, scripts/test). In a unity build GCC takes a file's
# anonymous-namespace types as a header's (-Wsubobject-linkage); that warning means nothing there.
function(corvale_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra $<$<BOOL:${CORVALE_WERROR}>:-Werror>
    $<$<BOOL:${CMAKE_UNITY_BUILD}>:-Wno-subobject-linkage>)
endfunction()

# corvale_precompile(<target> [WIDGETS] [FFMPEG] [GTEST]): with CORVALE_PCH, precompiles the
# standard and Qt Core headers (and Qt Widgets, FFmpeg or GoogleTest ones) the target's files use
# most. Only headers the target may include anyway are listed.
function(corvale_precompile target)
  if(NOT CORVALE_PCH)
    return()
  endif()
  cmake_parse_arguments(ARG "WIDGETS;FFMPEG;GTEST" "" "" ${ARGN})
  set(headers
    <algorithm> <atomic> <cstdint> <functional> <map> <memory> <mutex> <optional> <string>
    <thread> <vector>
    <QObject> <QString> <QStringList> <QVariant> <QVariantMap> <QUrl> <QDateTime> <QDir> <QFile>
    <QFileInfo> <QJsonObject> <QJsonArray> <QJsonDocument> <QTimer> <QPointer> <QCoreApplication>)
  if(ARG_WIDGETS)
    list(APPEND headers <QWidget> <QPainter> <QImage> <QApplication> <QLabel> <QPushButton> <QVBoxLayout>)
  endif()
  if(ARG_FFMPEG)
    list(APPEND headers
      "$<$<COMPILE_LANGUAGE:CXX>:${CMAKE_SOURCE_DIR}/cmake/precompiled/FFmpegHeaders.h>")
  endif()
  if(ARG_GTEST)
    list(APPEND headers <gtest/gtest.h> <QSignalSpy> <QTemporaryDir>)
  endif()
  target_precompile_headers(${target} PRIVATE ${headers})
  # Files built with options of their own (instruction sets for one kernel) cannot use the
  # target's precompiled header nor share a unity file; checked once the folder is read.
  # (Deferred arguments are read when the call runs: the name is written into the call now.)
  cmake_language(EVAL CODE "cmake_language(DEFER CALL corvale_exclude_own_option_sources ${target})")
endfunction()

function(corvale_exclude_own_option_sources target)
  get_target_property(sources ${target} SOURCES)
  foreach(source IN LISTS sources)
    get_source_file_property(options ${source} COMPILE_OPTIONS)
    get_source_file_property(flags ${source} COMPILE_FLAGS)
    if(options OR flags)
      set_source_files_properties(${source} PROPERTIES SKIP_PRECOMPILE_HEADERS ON SKIP_UNITY_BUILD_INCLUSION ON)
    endif()
  endforeach()
endfunction()

# corvale_library(<name> SOURCES ... [DEPS ...] [PUBLIC_LIBS ...])
# Defines the static library corvale_<name>, rooted at src/ for includes ("platform/SerialQueue.h").
function(corvale_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PUBLIC_LIBS" ${ARGN})
  set(target corvale_${name})
  add_library(${target} STATIC ${ARG_SOURCES})
  target_include_directories(${target} PUBLIC "${CMAKE_SOURCE_DIR}/src")
  foreach(dep IN LISTS ARG_DEPS)
    target_link_libraries(${target} PUBLIC corvale_${dep})
  endforeach()
  if(ARG_PUBLIC_LIBS)
    target_link_libraries(${target} PUBLIC ${ARG_PUBLIC_LIBS})
  endif()
  corvale_warnings(${target})
  set(pch_kinds "")
  if("Qt6::Widgets" IN_LIST ARG_PUBLIC_LIBS OR "ui" IN_LIST ARG_DEPS)
    list(APPEND pch_kinds WIDGETS)
  endif()
  if("PkgConfig::FFMPEG" IN_LIST ARG_PUBLIC_LIBS)
    list(APPEND pch_kinds FFMPEG)
  endif()
  corvale_precompile(${target} ${pch_kinds})
endfunction()
