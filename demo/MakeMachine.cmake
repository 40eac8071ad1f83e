# Makes a fresh demo machine folder with the folders a real one has (program
# files, start menu, autostart and desktop, the common ones of NT too):
# cmake -DSOURCE=demo -DMEDIUM=... -DMACHINE=... -P MakeMachine.cmake, or
# include() it with those set.
file(REMOVE_RECURSE ${MACHINE})
set(windows ${MACHINE}/drives/C/WINNT)
set(programs "Startmenü/Programme")
file(MAKE_DIRECTORY ${MACHINE}/drives/C/TEMP ${MACHINE}/drives/C/Programme ${windows}/system32
     "${windows}/Desktop" "${windows}/${programs}/Autostart"
     "${windows}/Profiles/All Users/Desktop" "${windows}/Profiles/All Users/${programs}/Autostart")
file(READ ${SOURCE}/machine.ini machine)
string(REPLACE [[@MEDIUM@]] "${MEDIUM}" machine "${machine}")
file(WRITE ${MACHINE}/machine.ini "${machine}")
