# Writes the notices that go beside palvetta.exe, with Windows line ends, into OUTPUT_DIR:
#   cmake -DLICENSE=... -DFREEGLUT=... -DMINGW=... -DGCC=... -DSTB=... -DOUTPUT_DIR=... \
#     -P notices.cmake
# LICENSE.txt is our licence. THIRD-PARTY-NOTICES.txt holds the licences of the libraries linked
# into the program, each copied from the file Debian ships it in, never typed here: freeglut's
# COPYING from the source package it is built from, the MinGW-w64 runtime's and winpthreads'
# copyright file whole, from GCC's runtime libraries' copyright file the parts that state their
# copyright, their licence and the GCC Runtime Library Exception, and the copyright file of the
# image decoder's headers (stb_image, compiled into the program) whole.

function(read_text path out)
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "no licence at '${path}'")
  endif()
  file(READ "${path}" text)
  string(REPLACE "\r" "" text "${text}")
  # Empty lines around the text go, the indentation of its first line stays.
  string(REGEX REPLACE "^\n+" "" text "${text}")
  string(REGEX REPLACE "[ \t\n]+$" "" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The text of `path` from each first marker up to the marker after it, the parts one empty line
# apart. A marker that is missing stops the build rather than leave a licence out.
function(read_parts path out)
  read_text("${path}" text)
  set(parts "")
  set(markers ${ARGN})
  while(markers)
    list(POP_FRONT markers first until)
    string(FIND "${text}" "${first}" start)
    if(start LESS 0)
      message(FATAL_ERROR "'${first}' is missing from ${path}")
    endif()
    string(SUBSTRING "${text}" ${start} -1 rest)
    string(FIND "${rest}" "${until}" end)
    if(end LESS 0)
      message(FATAL_ERROR "'${until}' is missing from ${path}")
    endif()
    string(SUBSTRING "${rest}" 0 ${end} part)
    string(STRIP "${part}" part)
    string(APPEND parts "${part}\n\n")
  endwhile()
  string(STRIP "${parts}" parts)
  set(${out} "${parts}" PARENT_SCOPE)
endfunction()

function(write_windows_text name text)
  string(REPLACE "\n" "\r\n" text "${text}\n")
  file(WRITE "${OUTPUT_DIR}/${name}" "${text}")
endfunction()

read_text("${LICENSE}" license)
write_windows_text(LICENSE.txt "${license}")

get_filename_component(freeglut_source "${FREEGLUT}" DIRECTORY)
get_filename_component(freeglut_source "${freeglut_source}" NAME)
read_text("${FREEGLUT}" freeglut)
read_text("${MINGW}" mingw)
read_text("${STB}" stb)
read_parts("${GCC}" gcc
  "GCC is Copyright" "GCC is free software"
  "The following runtime libraries are licensed" "The libbacktrace library"
  "GCC RUNTIME LIBRARY EXCEPTION" "libquadmath/")

set(rule "==============================================================================")
write_windows_text(THIRD-PARTY-NOTICES.txt "\
Palvetta: third-party notices

palvetta.exe has these libraries linked into it. Their licences follow, each as
Debian gives it with the source or package the library comes from.

1. freeglut
2. The MinGW-w64 runtime and winpthreads
3. GCC's runtime libraries (libgcc, libstdc++)
4. stb_image, the image decoder

${rule}
1. freeglut: COPYING from Debian's source package ${freeglut_source}
${rule}

${freeglut}

${rule}
2. The MinGW-w64 runtime and winpthreads: the copyright file of Debian's
   package of them
${rule}

${mingw}

${rule}
3. GCC's runtime libraries: from the copyright file of Debian's package of the
   MinGW-w64 GCC
${rule}

${gcc}

${rule}
4. stb_image, the image decoder: the copyright file of Debian's package of it,
   libstb-dev
${rule}

${stb}")
