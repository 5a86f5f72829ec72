# The layers of the tree, each seeing only itself and the layers below it:
#   platform/  the recorder's platform (aurx::): posix, riff, codecs, wave, shell
#   recorder/  libaurx300 and its Qt face
#   services/  parlaro's services (parlaro::): the settings store, mail, mixers, shared copies,
#              message boxes
#   core/      the calls, their names, notes and search, the settings (Qt Core only): shared by
#              the window, the mover and parlaro-find
#   app/       the window; mover/ and tools/ stand on core/ like it
# A layer's include root is a folder of links to the folders it may include from, made in the
# build tree, so that an include reaching upward does not compile.

# parlaro_include_root(NAME FOLDER...): sets PARLARO_ROOT_<NAME> to a folder holding a link to
# each source FOLDER (which may be nested, as recorder/qt).
function(parlaro_include_root name)
    set(root ${CMAKE_BINARY_DIR}/include-roots/${name})
    foreach(folder IN LISTS ARGN)
        get_filename_component(parent ${root}/${folder} DIRECTORY)
        file(MAKE_DIRECTORY ${parent})
        if(NOT IS_SYMLINK ${root}/${folder})
            file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
        endif()
    endforeach()
    set(PARLARO_ROOT_${name} ${root} PARENT_SCOPE)
endfunction()

parlaro_include_root(platform platform)
parlaro_include_root(recorder platform recorder)
parlaro_include_root(recorder-qt recorder/qt)
parlaro_include_root(aurx-host tools/aurx-host recorder/qt)
parlaro_include_root(services platform services)
parlaro_include_root(core platform services core)
parlaro_include_root(app platform services core app recorder/qt)
parlaro_include_root(mover platform services core mover)
parlaro_include_root(tools platform services core tools)
