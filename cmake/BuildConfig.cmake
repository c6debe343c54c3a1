# What a build is configured with, in one generated header (build_config.h)
# that every library and program reads through the imbrino_build_config
# target: the version from project(VERSION), the addresses the program opens
# and the update host with its signing key.

set(IMBRINO_HOME_PAGE_URL "https://imbrino.example.org/" CACHE STRING "Home page")
set(IMBRINO_DONATION_URL "https://imbrino.example.org/donate.html" CACHE STRING "Donation page")
set(IMBRINO_UPDATE_HOST_URL "https://imbrino.example.org" CACHE STRING
    "Host serving /software/IMB/Update.ini")
# With a key (64 hexadecimal digits, as `imbrino-publish keygen` prints it) the
# update check and the updater trust only manifests signed with its seed.
set(IMBRINO_UPDATE_PUBLIC_KEY "" CACHE STRING
    "Ed25519 public key that update manifests must be signed with (empty: none)")
if(NOT IMBRINO_UPDATE_PUBLIC_KEY STREQUAL "" AND
   NOT IMBRINO_UPDATE_PUBLIC_KEY MATCHES "^[0-9a-fA-F]+$")
  message(FATAL_ERROR "IMBRINO_UPDATE_PUBLIC_KEY must be 64 hexadecimal digits")
endif()
string(LENGTH "${IMBRINO_UPDATE_PUBLIC_KEY}" key_digits)
if(NOT key_digits EQUAL 0 AND NOT key_digits EQUAL 64)
  message(FATAL_ERROR "IMBRINO_UPDATE_PUBLIC_KEY must be 64 hexadecimal digits")
endif()
set(IMBRINO_AUTHOR "Imbrino 开发组" CACHE STRING "Author shown in the about box")
set(IMBRINO_SUPPORT_EMAIL "support@imbrino.example.org" CACHE STRING "Support mailbox")
set(IMBRINO_SUPPORT_QQ "10000" CACHE STRING "Support messenger number")

# The version has four parts on the update server; a part project() was not
# given is 0.
foreach(part MAJOR MINOR PATCH TWEAK)
  set(IMBRINO_VERSION_${part} "${PROJECT_VERSION_${part}}")
  if(IMBRINO_VERSION_${part} STREQUAL "")
    set(IMBRINO_VERSION_${part} 0)
  endif()
endforeach()

configure_file(${CMAKE_CURRENT_LIST_DIR}/build_config.h.in
               ${PROJECT_BINARY_DIR}/generated/build_config.h @ONLY)
add_library(imbrino_build_config INTERFACE)
target_include_directories(imbrino_build_config INTERFACE ${PROJECT_BINARY_DIR}/generated)
