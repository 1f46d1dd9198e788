@echo off
rem Turns DWG thumbnails in Explorer off again: unregisters pictavex-thumbnail.dll for you,
rem and for every user of the machine when run as administrator, and puts back the
rem thumbnails of any program that install.cmd set aside.
setlocal
set "handler=%~dp0pictavex-thumbnail.dll"
set "failed="
regsvr32 /s /u /n /i:user "%handler%"
if errorlevel 1 set "failed=1"
net session >nul 2>&1
if errorlevel 1 goto report
regsvr32 /s /u "%handler%"
if errorlevel 1 set "failed=1"
:report
if defined failed (
    echo uninstall.cmd: the thumbnail handler could not be unregistered.
    exit /b 1
)
echo uninstall.cmd: Explorer no longer asks Pictavex for DWG thumbnails.
