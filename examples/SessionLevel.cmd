@echo off
rem Runs GetSessionLevel.exe once and hands its result to the calling script: the tool
rem installed in the folder above this one, or the one whose path is the first argument.
rem How to call it, what it sets and returns: GetSessionLevel.txt, under "Exit code".
setlocal EnableExtensions DisableDelayedExpansion
set "tool=%~1"
if not defined tool set "tool=%~dp0..\GetSessionLevel.exe"
set "level="
set "error="
if not exist "%tool%" (
    set "error=0x00000002"
    goto done
)

set "line=(none)"
rem for /f hands the command to "cmd /c", which would strip the quotes from a path with
rem parentheses such as "Program Files (x86)" if the command began with them: hence "call".
for /f "delims=" %%L in ('call "%tool%"') do set "line=%%L"
if "%line:~0,27%"=="The current session level: " set "level=%line:~27%"
if "%line:~0,45%"=="Impossible to get the current session level: " set "error=%line:~45,10%"
rem Neither line: nothing the tool would print, so no level either.
if not defined level if not defined error set "error=0x0000000D"

:done
if defined error (set /a "status=%error%") else set "status=%level%"
endlocal & set "SESSION_LEVEL=%level%" & set "SESSION_ERROR=%error%" & exit /b %status%
