# Download step of the libjpeg-turbo cross build: Debian's source package,
# unpacked with Debian's patches, moved to ROOT/source.
# cmake -DROOT=... -P FetchDebianSource.cmake
set(work ${ROOT}/fetch)
file(REMOVE_RECURSE ${work} ${ROOT}/source)
file(MAKE_DIRECTORY ${work})
execute_process(COMMAND apt-get source libjpeg-turbo WORKING_DIRECTORY ${work} RESULT_VARIABLE failed)
file(GLOB unpacked LIST_DIRECTORIES true ${work}/libjpeg-turbo-*)
list(FILTER unpacked EXCLUDE REGEX "\\.(gz|xz|dsc)$")
if(failed OR NOT unpacked)
  message(FATAL_ERROR "apt-get source libjpeg-turbo failed: is there a deb-src entry? (scripts/packages.sh adds one)")
endif()
file(RENAME ${unpacked} ${ROOT}/source)
