# How the project's own targets are made: one static library per subsystem, linking only
# downward, each compiled against the include tree of its layer (so that an include pointing
# upward does not compile; scripts/check-layers.py checks the same order over every file), and
# benchmark programs gathered per folder of bench/.

find_package(Python3 COMPONENTS Interpreter REQUIRED)

# tessel_page_aligned_image(target): the program's or DLL's sections start on page boundaries in
# the file as in memory, so that a loader can map its pages from the file as they are used: with
# the default 512-byte alignment Wine reads the whole image (code, tables, unwind data, symbols)
# into memory of the process when it loads it.
function(tessel_page_aligned_image target)
    target_link_options(${target} PRIVATE -Wl,--file-alignment,0x1000)
endfunction()

# Every layer's include tree (scripts/layers.py holds the order): links to the source folders
# of the layer and those below it, made again at each configure. Folders are linked whole, so a
# header added later is found without a new configure.
set(TESSEL_LAYER_TREES ${CMAKE_BINARY_DIR}/layers)
execute_process(COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/make-layer-trees.py
                        ${PROJECT_SOURCE_DIR}/src ${TESSEL_LAYER_TREES}
                RESULT_VARIABLE made)
if(NOT made EQUAL 0)
    message(FATAL_ERROR "The layers' include trees could not be made in ${TESSEL_LAYER_TREES}")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${PROJECT_SOURCE_DIR}/scripts/layers.py ${PROJECT_SOURCE_DIR}/scripts/make-layer-trees.py)

# tessel_layer_includes(target LAYER layer): the target and everything linking it include from
# the layer's tree (the layer, as named in scripts/layers.py, and the ones below it). Source
# locations seen through the tree read "src/..." as those of the sources do.
function(tessel_layer_includes target)
    cmake_parse_arguments(ARG "" "LAYER" "" ${ARGN})
    string(REPLACE "/" "-" tree ${ARG_LAYER})
    get_target_property(type ${target} TYPE)
    set(scope PUBLIC)
    if(type STREQUAL "INTERFACE_LIBRARY")
        set(scope INTERFACE)
    endif()
    target_include_directories(${target} ${scope} ${TESSEL_LAYER_TREES}/${tree})
    target_compile_options(${target} ${scope} -ffile-prefix-map=${TESSEL_LAYER_TREES}/${tree}/=src/)
endfunction()

# tessel_library(name DIR dir [EXCLUDE subdir...] LIBS lib...)
# Gathers the .cpp files under src/<dir> (less the excluded sub-folders). A layer without
# sources yet is an interface target, so the layers above it already link.
function(tessel_library name)
    cmake_parse_arguments(ARG "" "DIR" "EXCLUDE;LIBS" ${ARGN})
    set(root ${PROJECT_SOURCE_DIR}/src/${ARG_DIR})
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${root}/*.cpp)
    foreach(excluded IN LISTS ARG_EXCLUDE)
        list(FILTER sources EXCLUDE REGEX "^${root}/${excluded}/")
    endforeach()
    if(sources)
        add_library(${name} STATIC ${sources})
        target_link_libraries(${name} PUBLIC ${ARG_LIBS})
    else()
        add_library(${name} INTERFACE)
        target_link_libraries(${name} INTERFACE ${ARG_LIBS})
    endif()
    tessel_layer_includes(${name} LAYER ${ARG_DIR})
endfunction()

# tessel_benches(DIR dir LIBS lib...): one program per .cpp file in bench/<dir>.
function(tessel_benches)
    cmake_parse_arguments(ARG "" "DIR" "LIBS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/bench/${ARG_DIR}/*.cpp)
    foreach(source IN LISTS sources)
        get_filename_component(name ${source} NAME_WE)
        add_executable(${name} ${source})
        # Behind their own support folder, benchmarks find the tests' helpers (support/...).
        target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/bench ${PROJECT_SOURCE_DIR}/tests)
        target_link_libraries(${name} PRIVATE ${ARG_LIBS})
        target_link_options(${name} PRIVATE -Wl,--large-address-aware)
        tessel_copy_crash_reporter(${name})
        tessel_copy_htmlayout(${name})
    endforeach()
endfunction()

# tessel_resources(name RC script [ICONS grid...] [DEPENDS file...])
# An object library holding the compiled resource script, for the programs and tests that carry
# those resources (an object library, so the linker keeps resources nothing refers to). Each icon
# grid (a text pixel grid, scripts/make-icon.py) becomes <grid name>.ico in a build folder that
# the script's file names are found in; the project's src/ is on the script's include path. The
# script is compiled again when a file of DEPENDS (one it names) changes.
function(tessel_resources name)
    cmake_parse_arguments(ARG "" "RC" "ICONS;DEPENDS" ${ARGN})
    set(out ${CMAKE_CURRENT_BINARY_DIR}/${name})
    set(generated ${ARG_DEPENDS})
    foreach(grid IN LISTS ARG_ICONS)
        get_filename_component(base ${grid} NAME_WE)
        add_custom_command(OUTPUT ${out}/${base}.ico
            COMMAND ${CMAKE_COMMAND} -E make_directory ${out}
            COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/make-icon.py ${grid} ${out}/${base}.ico
            DEPENDS ${grid} ${PROJECT_SOURCE_DIR}/scripts/make-icon.py
            COMMENT "Making ${base}.ico" VERBATIM)
        list(APPEND generated ${out}/${base}.ico)
    endforeach()
    add_library(${name} OBJECT ${ARG_RC})
    target_include_directories(${name} PRIVATE ${out} ${PROJECT_SOURCE_DIR}/src)
    set_source_files_properties(${ARG_RC} PROPERTIES OBJECT_DEPENDS "${generated}")
endfunction()
