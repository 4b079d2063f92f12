# SPDX-License-Identifier: MIT
# The built manual must be a whole PDF of some substance:
#   cmake -DPDF=<file> -P checkpdf.cmake
# Bytes are compared in hex: file(READ ... LIMIT) on text may append a
# line end of its own.
if(NOT EXISTS "${PDF}")
  message(FATAL_ERROR "missing: ${PDF}")
endif()
file(READ "${PDF}" head LIMIT 5 HEX)
if(NOT head STREQUAL "255044462d")  # "%PDF-"
  message(FATAL_ERROR "not a PDF: ${PDF} starts with the bytes ${head}")
endif()
file(SIZE "${PDF}" size)
# An empty document is about 1 KB; the manual has many pages and its fonts.
if(size LESS 20000)
  message(FATAL_ERROR "suspiciously small PDF: ${PDF} is ${size} bytes")
endif()
math(EXPR tail_offset "${size} - 16")
file(READ "${PDF}" tail OFFSET ${tail_offset} HEX)
if(NOT tail MATCHES "2525454f46")  # "%%EOF"
  message(FATAL_ERROR "truncated PDF: ${PDF} has no end marker")
endif()
