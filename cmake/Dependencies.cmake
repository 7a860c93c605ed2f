# Imported targets for the installed dependencies: the cross-built cache (TESSEL_DEPS),
# Debian's mingw zlib, Boost headers and GoogleTest's sources.

set(TESSEL_DEPS "$ENV{TESSEL_DEPS}" CACHE PATH "Cross-built Oniguruma, ICU and libpng")
if(NOT EXISTS "${TESSEL_DEPS}/.complete")
    message(FATAL_ERROR "No dependency cache at '${TESSEL_DEPS}': run scripts/setup.sh first")
endif()

function(tessel_import name lib)
    add_library(${name} STATIC IMPORTED GLOBAL)
    set_target_properties(${name} PROPERTIES
        IMPORTED_LOCATION "${TESSEL_DEPS}/lib/${lib}"
        INTERFACE_INCLUDE_DIRECTORIES "${TESSEL_DEPS}/include")
endfunction()

tessel_import(dep::onig libonig.a)
# The engine's heap calls and copies go to pel's allocator for it (src/pel/text/search/
# EngineMemory.h): a copy of the library with those symbols renamed is what the programs link.
set(TESSEL_ONIG_ROUTED "${CMAKE_BINARY_DIR}/deps/libonig-routed.a")
file(MAKE_DIRECTORY "${CMAKE_BINARY_DIR}/deps")
set(routes)
foreach(symbol malloc calloc realloc free memcpy)
    list(APPEND routes --redefine-sym _${symbol}=_pel_onig_${symbol})
endforeach()
# Made at each configure (it takes milliseconds); replaced only when it differs, so that the
# programs are linked again only then.
execute_process(COMMAND "${CMAKE_OBJCOPY}" ${routes} "${TESSEL_DEPS}/lib/libonig.a" "${TESSEL_ONIG_ROUTED}.new"
                COMMAND_ERROR_IS_FATAL ANY)
file(COPY_FILE "${TESSEL_ONIG_ROUTED}.new" "${TESSEL_ONIG_ROUTED}" ONLY_IF_DIFFERENT)
file(REMOVE "${TESSEL_ONIG_ROUTED}.new")
set_target_properties(dep::onig PROPERTIES IMPORTED_LOCATION "${TESSEL_ONIG_ROUTED}")
set_property(TARGET dep::onig PROPERTY INTERFACE_COMPILE_DEFINITIONS ONIG_STATIC ONIG_ESCAPE_UCHAR_COLLISION)

tessel_import(dep::icudata libsicudt.a)
tessel_import(dep::icuuc libsicuuc.a)
set_property(TARGET dep::icuuc PROPERTY INTERFACE_COMPILE_DEFINITIONS U_STATIC_IMPLEMENTATION)
set_property(TARGET dep::icuuc PROPERTY INTERFACE_LINK_LIBRARIES dep::icudata)

find_library(TESSEL_ZLIB NAMES libz.a REQUIRED)
add_library(dep::zlib STATIC IMPORTED GLOBAL)
set_target_properties(dep::zlib PROPERTIES IMPORTED_LOCATION "${TESSEL_ZLIB}")

tessel_import(dep::png libpng16.a)
set_property(TARGET dep::png PROPERTY INTERFACE_LINK_LIBRARIES dep::zlib)

# Boost is header-only here. /usr/include must never reach the cross include path, so the
# build gets a folder of its own holding only a link to Debian's boost headers.
set(TESSEL_BOOST_INCLUDE "${CMAKE_BINARY_DIR}/boost-include")
if(NOT EXISTS "${TESSEL_BOOST_INCLUDE}/boost")
    if(NOT EXISTS /usr/include/boost/version.hpp)
        message(FATAL_ERROR "Boost headers are missing: install libboost-dev")
    endif()
    file(MAKE_DIRECTORY "${TESSEL_BOOST_INCLUDE}")
    file(CREATE_LINK /usr/include/boost "${TESSEL_BOOST_INCLUDE}/boost" SYMBOLIC)
endif()
add_library(dep::boost INTERFACE IMPORTED GLOBAL)
set_target_properties(dep::boost PROPERTIES INTERFACE_SYSTEM_INCLUDE_DIRECTORIES "${TESSEL_BOOST_INCLUDE}"
    INTERFACE_INCLUDE_DIRECTORIES "${TESSEL_BOOST_INCLUDE}")

# GoogleTest from Debian's source tree, built with the cross toolchain.
set(TESSEL_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${TESSEL_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
