# Each folder of src/ is a room: one static library that sees its own headers and
# those of the rooms it is built on, and no others. The headers are linked into a
# tree of the room's own in the build folder and only that tree is on the include
# path, so an include the wrong way (base reaching into platform, a verdict
# reaching into the code that deletes) finds no file and stops the build.
set(qiv_rooms_root ${CMAKE_BINARY_DIR}/rooms)

# qiv_room(<name> FOLDERS <folder>... [EXCLUDE <regex>] [USES <target>...])
# The folders are relative to src/; EXCLUDE drops sources and headers whose path
# matches; USES names the rooms and libraries the room is built on.
function(qiv_room name)
  cmake_parse_arguments(PARSE_ARGV 1 ROOM "" "EXCLUDE" "FOLDERS;USES")
  set(sources)
  set(headers)
  foreach(folder IN LISTS ROOM_FOLDERS)
    file(GLOB_RECURSE folder_sources CONFIGURE_DEPENDS
      ${CMAKE_SOURCE_DIR}/src/${folder}/*.cpp)
    file(GLOB_RECURSE folder_headers CONFIGURE_DEPENDS RELATIVE ${CMAKE_SOURCE_DIR}/src
      ${CMAKE_SOURCE_DIR}/src/${folder}/*.h)
    list(APPEND sources ${folder_sources})
    list(APPEND headers ${folder_headers})
  endforeach()
  if(ROOM_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${ROOM_EXCLUDE}")
    list(FILTER headers EXCLUDE REGEX "${ROOM_EXCLUDE}")
  endif()

  set(tree ${qiv_rooms_root}/${name})
  file(REMOVE_RECURSE ${tree})
  foreach(header IN LISTS headers)
    get_filename_component(folder ${tree}/${header} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${header} ${tree}/${header} SYMBOLIC)
  endforeach()

  set(target qiv_${name})
  if(sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${tree})
    target_link_libraries(${target} PUBLIC ${ROOM_USES})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${tree})
    target_link_libraries(${target} INTERFACE ${ROOM_USES})
  endif()
endfunction()
