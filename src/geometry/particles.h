// The 2000-particle morph: keyframe seeding at start-up and its scene.
#pragma once

// Seeds every particle's seven keys from "sphere.asc", "cube.asc" and
// "trailblobs.asc" (the fifth step of LoadDemo).
void SeedParticles();
