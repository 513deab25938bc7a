@echo off
rem The live lab page: kolmctl serves the box on LPT1 (or LPT2) through the plug-in
rem beside this file, or kolmsim's virtual box when no box answers, and opens the
rem browser. Close this window (or Ctrl-C) to stop it.
cd /d "%~dp0"
title KOLM lab
for %%p in (kolmlpt1.dll kolmlpt2.dll) do (
  kolmctl.exe %%p serve --open
  if not errorlevel 8 goto :end
  if errorlevel 9 goto :end
)
echo No box answered: the virtual box (kolmsim) instead.
kolmctl.exe kolmsim.dll serve --open
:end
pause
