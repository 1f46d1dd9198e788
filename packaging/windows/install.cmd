@echo off
rem Turns on DWG thumbnails in Explorer: registers pictavex-thumbnail.dll, from this folder,
rem for you alone, or for every user of the machine when run as administrator.
rem "install.cmd replace" sets aside the DWG thumbnails of another program (a CAD program's);
rem uninstall.cmd puts them back.
setlocal
set "handler=%~dp0pictavex-thumbnail.dll"
set "for=/n /i:user"
set "who=you"
net session >nul 2>&1
if not errorlevel 1 (
    set "for="
    set "who=every user of this computer"
)
if /i "%~1" == "replace" (
    if defined for (set "for=/n /i:user,replace") else (set "for=/n /i:replace")
)
regsvr32 /s %for% "%handler%"
if errorlevel 1 (
    echo install.cmd: the thumbnail handler could not be registered. If another program
    echo already shows DWG thumbnails, "install.cmd replace" sets its handler aside.
    exit /b 1
)
echo install.cmd: Explorer now shows DWG thumbnails for %who%.
