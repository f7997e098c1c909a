# The Windows side of gifreel: gifreel.ocx and its tests under Wine.
km_idl(gifreel_idl gifreel.idl)
set(art ${CMAKE_CURRENT_BINARY_DIR}/art)
set(art_files ${art}/gifreel_toolbox.bmp ${art}/gifreel.ico ${art}/hand.cur)
add_custom_command(OUTPUT ${art_files}
  COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/res/make_art.py ${art}
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/res/make_art.py)
add_custom_target(gifreel_art DEPENDS ${art_files})

add_library(gifimage STATIC gif_image.cpp)
target_link_libraries(gifimage PUBLIC gifcore win32layer gdi32)

add_library(gifreel SHARED gifreel.cpp gifreel_ctrl.cpp gifreel.def gifreel.rc ${gifreel_idl_IDL_IID})
add_dependencies(gifreel gifreel_idl gifreel_art)
set_target_properties(gifreel PROPERTIES PREFIX "" OUTPUT_NAME gifreel SUFFIX .ocx)
# windres finds the .tlb and the art through the include path.
target_include_directories(gifreel PRIVATE ${gifreel_idl_IDL_HEADER_DIR} ${art} ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(gifreel PRIVATE gifimage)
set_property(SOURCE gifreel.rc APPEND PROPERTY OBJECT_DEPENDS ${gifreel_idl_IDL_TLB} ${art_files})

add_test(NAME gifreel_register COMMAND ${KM_WINE_RUN} regsvr32 /s $<TARGET_FILE:gifreel>)
set_tests_properties(gifreel_register PROPERTIES FIXTURES_SETUP gifreel_registered)
add_test(NAME gifreel_unregister COMMAND ${KM_WINE_RUN} regsvr32 /s /u $<TARGET_FILE:gifreel>)
set_tests_properties(gifreel_unregister PROPERTIES FIXTURES_CLEANUP gifreel_registered)

km_test(NAME gif_image_test SOURCES tests/gif_image_test.cpp LIBS gifimage
        DRIVES g:=${CMAKE_CURRENT_SOURCE_DIR}/tests/fixtures)
km_test(NAME gifreel_ctrl_test SOURCES tests/gifreel_ctrl_test.cpp tests/host_dialog.rc ${gifreel_idl_IDL_IID}
        LIBS win32layer gdi32 FIXTURES_REQUIRED gifreel_registered
        DRIVES g:=${CMAKE_CURRENT_SOURCE_DIR}/tests/fixtures ARGS $<TARGET_FILE:gifreel>)
target_include_directories(gifreel_ctrl_test PRIVATE ${gifreel_idl_IDL_HEADER_DIR})
add_dependencies(gifreel_ctrl_test gifreel_idl gifreel)
