# Install-time script: copies every DLL that the installed program and
# plugins load into the install folder, looked up in WAYFOLD_DLL_DIRS.
# Windows' own DLLs are known by Wine having a copy of them
# (WAYFOLD_SYSTEM_DLLS). A DLL found nowhere fails the install, so a package
# never lacks one.
#
# DLL names are matched without regard to letter case, as Windows does; CMake
# lowers the names it reads from the files, while the folders here are on a
# file system that keeps case (Qt6Core.dll), so the names left unresolved are
# looked up again by hand, and what those DLLs load in turn is followed too.
cmake_policy(VERSION 3.25)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND ${WAYFOLD_OBJDUMP})
set(prefix "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")

set(available "")
foreach(dir ${WAYFOLD_DLL_DIRS})
  file(GLOB dlls "${dir}/*.dll")
  list(APPEND available ${dlls})
endforeach()

set(executables "${prefix}/${WAYFOLD_EXECUTABLE}")
set(libraries "")
foreach(plugin ${WAYFOLD_PLUGINS})
  list(APPEND libraries "${prefix}/${plugin}")
endforeach()
set(installed "")
while(executables OR libraries)
  file(GET_RUNTIME_DEPENDENCIES
    EXECUTABLES ${executables}
    LIBRARIES ${libraries}
    DIRECTORIES ${WAYFOLD_DLL_DIRS} ${WAYFOLD_SYSTEM_DLLS}
    PRE_EXCLUDE_REGEXES "^api-ms-" "^ext-ms-"
    POST_EXCLUDE_REGEXES "^${WAYFOLD_SYSTEM_DLLS}/"
    RESOLVED_DEPENDENCIES_VAR found
    UNRESOLVED_DEPENDENCIES_VAR missing)
  set(missed "")
  foreach(name ${missing})
    set(hit "")
    foreach(dll ${available})
      get_filename_component(file_name "${dll}" NAME)
      string(TOLOWER "${file_name}" lower)
      if(lower STREQUAL name)
        set(hit "${dll}")
        break()
      endif()
    endforeach()
    if(hit)
      list(APPEND found "${hit}")
    else()
      list(APPEND missed "${name}")
    endif()
  endforeach()
  if(missed)
    message(FATAL_ERROR "DLLs that Wayfold needs were not found: ${missed}")
  endif()
  set(executables "")
  set(libraries "")
  foreach(dll ${found})
    if(NOT dll IN_LIST installed)
      list(APPEND installed "${dll}")
      list(APPEND libraries "${dll}")
    endif()
  endforeach()
endwhile()
file(INSTALL ${installed} DESTINATION "${prefix}" FOLLOW_SYMLINK_CHAIN)
# The MinGW runtime comes with its debugging information, which quadruples it.
foreach(dll ${installed})
  get_filename_component(file_name "${dll}" NAME)
  execute_process(COMMAND ${WAYFOLD_STRIP} --strip-unneeded "${prefix}/${file_name}"
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
