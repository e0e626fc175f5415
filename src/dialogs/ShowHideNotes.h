#pragma once

// "Mostrar Todos" and "Ocutar Todos": every note window shown or hidden. Nothing is written; the
// visibility reaches the disk with the next save.
void MostrarTodos();
void OcultarTodos();
