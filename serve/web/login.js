"use strict";
// Hands the token to the service once; it answers with a cookie the browser keeps.
document.getElementById("login").addEventListener("submit", async (event) => {
  event.preventDefault();
  const token = document.getElementById("token").value;
  const answer = await fetch("/api/login", {
    method: "POST",
    headers: { "Content-Type": "application/json" },
    body: JSON.stringify({ token }),
  });
  if (answer.ok) location.reload();
  else document.getElementById("problem").textContent = "Testimoni incorrecte";
});
